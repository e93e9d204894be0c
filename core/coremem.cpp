// Memory wrappers. The debug forms count the allocator's real block size
// (malloc_usable_size, _msize on Windows), so adding and subtracting always use the same amount
// and the totals return to where they were once every block is back. Only
// the demo thread allocates through them; the counters are plain variables.
#include "coremem.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "coresys.h"

uint32_t g_mem_in_use = 0;
uint32_t g_mem_in_use_peak = 0;

void* _wrap_malloc(int size) { return malloc(size); }
void* _wrap_malloc_iwram(int size) { return malloc(size); }
void _wrap_free(void* p) { free(p); }
void _wrap_free_iwram(void* p) { free(p); }

void* _wrap_malloc_dbg(int size, const char* file, int line)
{
    // A negative size would turn into a huge request; treat it as the failure it is.
    void* p = size >= 0 ? malloc(size) : nullptr;
    if (!p) {
        printf("%s(%d): wrap_malloc(%d) failed!\n", file, line, size);
        return nullptr;
    }
    g_mem_in_use += (uint32_t)coresys_blocksize(p);
    if (g_mem_in_use > g_mem_in_use_peak) g_mem_in_use_peak = g_mem_in_use;
    return p;
}

void* _wrap_malloc_iwram_dbg(int size, const char* file, int line) { return _wrap_malloc_dbg(size, file, line); }

void _wrap_free_dbg(void* p, const char* file, int line)
{
    if (!p) {
        printf("%s(%d): wrap_free() tried to free a NULL pointer!\n", file, line);
        return;
    }
    g_mem_in_use -= (uint32_t)coresys_blocksize(p);
    free(p);
}

void _wrap_free_iwram_dbg(void* p, const char* file, int line) { _wrap_free_dbg(p, file, line); }

// Whole 32-bit words while more than 3 bytes remain, then the last 0 to 3
// bytes one by one. memcpy of 4 bytes keeps unaligned words legal.
void wrap_memcpy(void* destination, const void* source, int bytes)
{
    auto* d = static_cast<unsigned char*>(destination);
    auto* s = static_cast<const unsigned char*>(source);
    for (; bytes > 3; bytes -= 4, d += 4, s += 4) memcpy(d, s, 4);
    for (; bytes > 0; bytes--) *d++ = *s++;
}

void wrap_memcpy16(void* destination, const void* source, int count)
{
    if (count > 0) memcpy(destination, source, (size_t)count * 2);
}

void wrap_memcpy32(void* destination, const void* source, int count)
{
    if (count > 0) memcpy(destination, source, (size_t)count * 4);
}

void wrap_memset(void* destination, int value, int bytes)
{
    auto* d = static_cast<unsigned char*>(destination);
    const uint32_t word = 0x01010101u * (uint8_t)value;
    for (; bytes > 3; bytes -= 4, d += 4) memcpy(d, &word, 4);
    for (; bytes > 0; bytes--) *d++ = (uint8_t)value;
}

void wrap_memclr(void* destination, int bytes) { wrap_memset(destination, 0, bytes); }

void wrap_showusage() { printf("memory usage: %d (peak: %d)\n", (int)g_mem_in_use, (int)g_mem_in_use_peak); }
