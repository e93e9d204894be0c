// Debug output: diagnostic lines on standard output, and the two ways out
// of the process (a failed assertion and a fatal error), both with status 1.
#pragma once

void _dbg_init();
void _dbg_shutdown();
void _dbg_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
[[noreturn]] void _dbg_assert(const char* file, int line, const char* expression);
[[noreturn]] void error(const char* message);
