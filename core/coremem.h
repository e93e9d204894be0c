// Memory wrappers. The plain forms are the standard allocator; the debug
// forms take the caller's file and line, report failures with them and keep
// the in-use and peak totals of the allocator's real block sizes. The iwram
// family behaves the same and shares the totals. Blocks must go back to the
// family that made them, or the totals drift.
#pragma once
#include <cstdint>

extern uint32_t g_mem_in_use;       // real bytes held by live debug allocations
extern uint32_t g_mem_in_use_peak;  // the most g_mem_in_use has been

void* _wrap_malloc(int size);
void* _wrap_malloc_iwram(int size);
void _wrap_free(void* p);
void _wrap_free_iwram(void* p);
void* _wrap_malloc_dbg(int size, const char* file, int line);
void* _wrap_malloc_iwram_dbg(int size, const char* file, int line);
void _wrap_free_dbg(void* p, const char* file, int line);
void _wrap_free_iwram_dbg(void* p, const char* file, int line);

void wrap_memcpy(void* destination, const void* source, int bytes);
void wrap_memcpy16(void* destination, const void* source, int count);
void wrap_memcpy32(void* destination, const void* source, int count);
void wrap_memset(void* destination, int value, int bytes);
void wrap_memclr(void* destination, int bytes);
void wrap_showusage();
