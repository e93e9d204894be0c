// Debug output: diagnostic lines on standard output, and the two ways out
// of the process (a failed assertion and a fatal error), both with status 1.
#pragma once

// Nothing to set up for standard output; kept for callers.
void _dbg_init();
// Nothing to tear down; kept for callers.
void _dbg_shutdown();
// printf to standard output, as given (no line break added). Any thread.
void _dbg_printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Prints "FILE(LINE): assertion failed: EXPRESSION" and exits with 1.
[[noreturn]] void _dbg_assert(const char* file, int line, const char* expression);
// Prints "Error: MESSAGE" and exits with 1.
[[noreturn]] void error(const char* message);
