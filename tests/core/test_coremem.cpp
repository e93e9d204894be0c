#include "coredebug.h"
#include "coremem.h"
#include "coresys.h"
#include "fixtures.h"

#include <climits>
#include <cstring>
#include <unistd.h>

using fixtures::stdout_of;

TEST(DebugAllocation, TotalsCountRealBlockSizesAndKeepThePeak)
{
    const uint32_t before = g_mem_in_use;
    g_mem_in_use_peak = before;  // the peak of earlier tests would hide this one's
    void* a = _wrap_malloc_dbg(100, "t", 1);
    void* b = _wrap_malloc_dbg(50, "t", 2);
    const uint32_t ra = (uint32_t)coresys_blocksize(a), rb = (uint32_t)coresys_blocksize(b);
    EXPECT_GE(ra, 100u);
    _wrap_free_dbg(a, "t", 3);
    EXPECT_EQ(stdout_of(wrap_showusage),
              "memory usage: " + std::to_string(before + rb) + " (peak: " + std::to_string(before + ra + rb) + ")\n");
    _wrap_free_dbg(b, "t", 4);
    EXPECT_EQ(g_mem_in_use, before);
}

TEST(DebugAllocation, IwramFamilySharesTheTotals)
{
    const uint32_t before = g_mem_in_use;
    void* p = _wrap_malloc_iwram_dbg(64, "t", 1);
    EXPECT_EQ(g_mem_in_use, before + (uint32_t)coresys_blocksize(p));
    _wrap_free_iwram_dbg(p, "t", 2);
    EXPECT_EQ(g_mem_in_use, before);
}

TEST(DebugAllocation, FailuresAndNullReleasesNameTheCaller)
{
    const uint32_t before = g_mem_in_use, peak = g_mem_in_use_peak;
    void* p = nullptr;
    EXPECT_EQ(stdout_of([&] { p = _wrap_malloc_dbg(-1, "loader", 12); }), "loader(12): wrap_malloc(-1) failed!\n");
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(stdout_of([] { _wrap_free_dbg(nullptr, "x", 7); }), "x(7): wrap_free() tried to free a NULL pointer!\n");
    EXPECT_EQ(g_mem_in_use, before);
    EXPECT_EQ(g_mem_in_use_peak, peak);
}

TEST(BlockHelpers, CopiesAndFillsStopAtTheirCount)
{
    const unsigned char source[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    unsigned char d[9];
    for (int n : {7, 3, 0, -4}) {
        memset(d, 0xEE, sizeof d);
        wrap_memcpy(d, source, n);
        for (int i = 0; i < 9; i++) EXPECT_EQ(d[i], i < n ? source[i] : 0xEE) << "count " << n << " byte " << i;
    }
    memset(d, 0, sizeof d);
    wrap_memset(d, 171, 6);
    EXPECT_EQ(std::string((char*)d, 7), std::string(6, (char)171) + '\0');
    wrap_memclr(d + 1, 2);
    EXPECT_EQ(d[0], 171);
    EXPECT_EQ(d[1] | d[2], 0);
    EXPECT_EQ(d[3], 171);

    uint16_t s16[3] = {0x1111, 0x2222, 0x3333}, d16[3] = {};
    wrap_memcpy16(d16, s16, 2);
    EXPECT_EQ(d16[1], 0x2222);
    EXPECT_EQ(d16[2], 0);
    uint32_t s32[3] = {7, 8, 9}, d32[3] = {};
    wrap_memcpy32(d32, s32, 2);
    wrap_memcpy32(d32 + 2, s32, 0);
    EXPECT_EQ(d32[1], 8u);
    EXPECT_EQ(d32[2], 0u);
}

TEST(DebugOutputDeathTest, AssertionAndErrorEndTheProcessWithStatusOne)
{
    // The lines go to standard output; point it at stderr so the check sees them.
    EXPECT_EXIT(
        {
            dup2(2, 1);
            _dbg_assert("corefile-std", 42, "size > 0");
        },
        testing::ExitedWithCode(1), "corefile-std\\(42\\): assertion failed: size > 0");
    EXPECT_EXIT(
        {
            dup2(2, 1);
            error("no data image");
        },
        testing::ExitedWithCode(1), "Error: no data image");
}
