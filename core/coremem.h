// Memory wrappers. The plain forms are the standard allocator; the debug
// forms take the caller's file and line, report failures with them and keep
// the in-use and peak totals of the allocator's real block sizes. The iwram
// family behaves the same and shares the totals. Blocks must go back to the
// family that made them, or the totals drift.
#pragma once
#include <cstdint>

extern uint32_t g_mem_in_use;       // real bytes held by live debug allocations
extern uint32_t g_mem_in_use_peak;  // the most g_mem_in_use has been

// The standard allocator, uncounted: malloc and free.
void* _wrap_malloc(int size);
// As _wrap_malloc (no separate memory on these systems).
void* _wrap_malloc_iwram(int size);
// free(p).
void _wrap_free(void* p);
// free(p), for blocks of _wrap_malloc_iwram.
void _wrap_free_iwram(void* p);
// malloc(size), counted in g_mem_in_use and g_mem_in_use_peak at the
// block's real size. A negative size or a failure prints
// "FILE(LINE): wrap_malloc(SIZE) failed!" and gives null. Demo thread only:
// the totals are plain variables.
void* _wrap_malloc_dbg(int size, const char* file, int line);
// As _wrap_malloc_dbg, sharing its totals.
void* _wrap_malloc_iwram_dbg(int size, const char* file, int line);
// Frees a block of _wrap_malloc_dbg and takes its real size off the total;
// a null pointer prints "FILE(LINE): wrap_free() tried to free a NULL
// pointer!" and frees nothing. Demo thread only.
void _wrap_free_dbg(void* p, const char* file, int line);
// As _wrap_free_dbg, for blocks of _wrap_malloc_iwram_dbg.
void _wrap_free_iwram_dbg(void* p, const char* file, int line);

// Copies `bytes` bytes (none when 0 or less); the areas must not overlap.
void wrap_memcpy(void* destination, const void* source, int bytes);
// Copies `count` 16-bit values (count x 2 bytes; none when 0 or less).
void wrap_memcpy16(void* destination, const void* source, int count);
// Copies `count` 32-bit values (count x 4 bytes; none when 0 or less).
void wrap_memcpy32(void* destination, const void* source, int count);
// Sets `bytes` bytes to the low 8 bits of `value`.
void wrap_memset(void* destination, int value, int bytes);
// Sets `bytes` bytes to 0.
void wrap_memclr(void* destination, int bytes);
// Prints "memory usage: N (peak: M)", the debug totals in bytes.
void wrap_showusage();
