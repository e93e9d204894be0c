// Command-line splitting, the engine key codes, logical bits and the
// joystick mappings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "engine/platform/coreinput.h"
#include "engine/platform/driver.h"

namespace {

std::vector<std::string> split(const char* line)
{
    int argc = -1;
    char** argv = CommandLineToArgvA(line, &argc);
    std::vector<std::string> out;
    EXPECT_NE(argv, nullptr);
    if (!argv) return out;
    for (int i = 0; i < argc; i++) out.push_back(argv[i]);
    EXPECT_EQ(argv[argc], nullptr) << "vector not terminated for [" << line << "]";
    free(argv);  // one block; the engine itself never releases it
    return out;
}

using Args = std::vector<std::string>;

// Options are declared by whoever owns them: the platform reads each with
// its value through its handler, leaves the rest for a program without a
// usage, refuses unknown ones for a program with one, and lists all in
// --help with their help lines.
std::vector<std::string> taken;

TEST(Options, DeclaredOptionsAreTakenWithTheirValuesAndListedInHelp)
{
    ASSERT_EQ(mox_addoption("--level", "N", "the level to start at\n",
                            [](const char* v) {
                                taken.push_back(std::string("level ") + v);
                                return std::atoi(v) > 0 ? 1 : 0;
                            }),
              1);
    ASSERT_EQ(mox_addoption("--loud", nullptr, "more sound than\nbefore\n",
                            [](const char* v) {
                                taken.push_back(v ? "loud with a value" : "loud");
                                return 1;
                            }),
              1);
    EXPECT_EQ(mox_optionvalue("--level"), 1);
    EXPECT_EQ(mox_optionvalue("--loud"), 0);
    EXPECT_EQ(mox_optionvalue("--nothing"), -1);
    auto read = [](Args args, Args* left) {
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        int argc = int(args.size());
        const int code = mox_readoptions(&argc, argv.data());
        left->assign(argv.begin(), argv.begin() + argc);
        return code;
    };
    Args left;
    EXPECT_EQ(read({"p", "x", "--level", "3", "--loud", "y", "--other"}, &left), -1);
    EXPECT_EQ(left, (Args{"p", "x", "y", "--other"}));
    EXPECT_EQ(taken, (Args{"level 3", "loud"}));

    mox_setusage("p", "Does p.\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(read({"p", "--other"}, &left), 2);
    EXPECT_EQ(read({"p", "--level", "0"}, &left), 2);  // the handler refuses it
    EXPECT_EQ(read({"p", "--level"}, &left), 2);       // no value
    const std::string refused = testing::internal::GetCapturedStderr();
    EXPECT_NE(refused.find("p: unknown option '--other'\nusage: p"), std::string::npos) << refused;
    EXPECT_NE(refused.find("p: --level wants N\n"), std::string::npos) << refused;
    testing::internal::CaptureStdout();
    EXPECT_EQ(read({"p", "--help"}, &left), 0);
    const std::string help = testing::internal::GetCapturedStdout();
    EXPECT_NE(help.find("[--level N] [--loud] [--help]\nDoes p.\n"), std::string::npos) << help;
    EXPECT_NE(help.find("  --level N      the level to start at\n  --loud         more sound than\n"
                        "                 before\n"),
              std::string::npos)
        << help;
    EXPECT_NE(help.find("  --window       play in a window"), std::string::npos) << help;
    mox_setusage(nullptr, nullptr);
}

// A value in brackets may be left out: the next argument is taken unless
// it is an option, and the handler is told nothing when none was given.
TEST(Options, AnOptionalValueIsTheNextArgumentUnlessItIsAnOption)
{
    static std::vector<std::string> got;
    ASSERT_EQ(mox_addoption("--watch", "[TEXT]", "watch TEXT\n",
                            [](const char* v) {
                                got.push_back(v ? v : "(none)");
                                return 1;
                            }),
              1);
    EXPECT_EQ(mox_optionvalue("--watch"), 2);
    std::vector<std::string> args = {"p", "--watch", "a.txt", "x", "--watch", "--other", "--watch"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(&a[0]);
    argv.push_back(nullptr);
    int argc = int(args.size());
    EXPECT_EQ(mox_readoptions(&argc, argv.data()), -1);
    EXPECT_EQ(got, (Args{"a.txt", "(none)", "(none)"}));
    EXPECT_EQ(Args(argv.begin(), argv.begin() + argc), (Args{"p", "x", "--other"}));
}

// The table holds MOX_MAXOPTIONS: the next one is refused with a line that
// names it, and those declared before it are still taken and listed.
TEST(Options, PastTheTableTheNextOptionIsRefusedAloud)
{
    // The table keeps the names' pointers: a deque does not move its strings.
    static std::deque<std::string> names;
    int added = 0;
    testing::internal::CaptureStderr();
    for (int i = 0; i < MOX_MAXOPTIONS + 2; i++) {
        names.push_back("--extra" + std::to_string(i));
        if (!mox_addoption(names.back().c_str(), nullptr, "one more\n", [](const char*) { return 1; })) break;
        added++;
    }
    const std::string said = testing::internal::GetCapturedStderr();
    ASSERT_LT(added, MOX_MAXOPTIONS) << "the table never filled";
    EXPECT_EQ(said, "[MOX] the option table is full (" + std::to_string(MOX_MAXOPTIONS) + " options): " +
                        names.back() + " is not taken\n");
    EXPECT_EQ(mox_optionvalue(names.back().c_str()), -1);
    EXPECT_EQ(mox_optionvalue(names[0].c_str()), 0);
    EXPECT_EQ(mox_optionvalue("--window"), 0);
    EXPECT_EQ(mox_optionvalue("--resolution"), -1) << "the renderer's option is not linked into this test";

    mox_setusage("p", "Does p.\n");
    std::vector<char*> argv = {const_cast<char*>("p"), const_cast<char*>("--help"), nullptr};
    int argc = 2;
    testing::internal::CaptureStdout();
    EXPECT_EQ(mox_readoptions(&argc, argv.data()), 0);
    const std::string help = testing::internal::GetCapturedStdout();
    EXPECT_NE(help.find("  --extra0       one more\n"), std::string::npos) << help;
    mox_setusage(nullptr, nullptr);
}

TEST(CommandLine, QuotedArgumentKeepsItsSpacesAndLosesTheMarks)
{
    EXPECT_EQ(split("demo.exe \"a b\" c"), (Args{"demo.exe", "a b", "c"}));
}

TEST(CommandLine, OnlySpacesGiveNoArguments)
{
    int argc = -1;
    char** argv = CommandLineToArgvA("    ", &argc);
    ASSERT_NE(argv, nullptr);
    EXPECT_EQ(argc, 0);
    EXPECT_EQ(argv[0], nullptr);
    free(argv);
    EXPECT_EQ(split(""), Args{});
}

TEST(CommandLine, RunsOfBlanksMakeNoEmptyArguments)
{
    EXPECT_EQ(split("a  b"), (Args{"a", "b"}));
    EXPECT_EQ(split("\ta \r\n b\t"), (Args{"a", "b"}));
}

TEST(CommandLine, EmptyQuotesGiveOneEmptyArgument)
{
    EXPECT_EQ(split("\"\" "), Args{""});
    EXPECT_EQ(split("x \"\" y"), (Args{"x", "", "y"}));
}

TEST(CommandLine, QuotesInsideAnArgumentJoinTheParts)
{
    EXPECT_EQ(split("a\"b c\"d e"), (Args{"ab cd", "e"}));
    // No escapes: a backslash is an ordinary character.
    EXPECT_EQ(split("a\\\"b c\""), Args{"a\\b c"});
    // An unclosed quote runs to the end of the line.
    EXPECT_EQ(split("\"a b"), Args{"a b"});
}

TEST(CommandLine, DenseLinesStayInsideTheBlock)
{
    // The most arguments and the most characters a line of its length can
    // hold; AddressSanitizer sees any write past the block.
    EXPECT_EQ(split("a b c d e f"), (Args{"a", "b", "c", "d", "e", "f"}));
    EXPECT_EQ(split("\"\" \"\" \"\" \"\""), (Args{"", "", "", ""}));
    EXPECT_EQ(split("\"\"\"\"\"\"\"\""), Args{""});
    EXPECT_EQ(split("x"), Args{"x"});
    EXPECT_EQ(split("\""), Args{""});
    EXPECT_EQ(split(nullptr), Args{});
}

TEST(KeyCodes, SpecialKeysTakeEngineCodesAndOthersKeepTheirOwn)
{
    EXPECT_EQ(mox_enginekeycode(0x1B), 0xF000);
    EXPECT_EQ(mox_enginekeycode(0x26), 0xF001);
    EXPECT_EQ(mox_enginekeycode(0x28), 0xF002);
    EXPECT_EQ(mox_enginekeycode(0x25), 0xF003);
    EXPECT_EQ(mox_enginekeycode(0x27), 0xF004);
    EXPECT_EQ(mox_enginekeycode(0x0D), 0xF010);
    EXPECT_EQ(mox_enginekeycode(0x12), 0xF014);
    EXPECT_EQ(mox_enginekeycode(0x09), 0xF028);
    EXPECT_EQ(mox_enginekeycode(0x70), 0xF030);
    EXPECT_EQ(mox_enginekeycode(0x74), 0xF034);
    EXPECT_EQ(mox_enginekeycode(0x7B), 0xF03B);
    EXPECT_EQ(mox_enginekeycode('A'), 'A');
    EXPECT_EQ(mox_enginekeycode('7'), '7');
    EXPECT_EQ(mox_enginekeycode(0x7C), 0x7C);  // F13 has no engine code
}

TEST(KeyCodes, EngineCodesResolveBackToVirtualKeys)
{
    for (int vk = 0; vk < 256; vk++) EXPECT_EQ(mox_virtualkey(mox_enginekeycode(vk)), vk) << vk;
    EXPECT_EQ(mox_virtualkey(0xF005), -1);
    EXPECT_EQ(mox_virtualkey(0xF03C), -1);
    EXPECT_EQ(mox_virtualkey(-1), -1);
    EXPECT_EQ(mox_virtualkey(0x10000), -1);
}

TEST(KeyCodes, LogicalBitsOfTheKeyboard)
{
    EXPECT_EQ(mox_keybits(0x0D) | mox_keybits('1'), 0x1000);
    EXPECT_EQ(mox_keybits(0x08), 0x2000);
    EXPECT_EQ(mox_keybits('2'), 0x2000);
    EXPECT_EQ(mox_keybits(0x1B), 0x8000);
    EXPECT_EQ(mox_keybits('C'), 0x400);
    EXPECT_EQ(mox_keybits('V'), 0);
    int all = 0;
    for (int vk = 0; vk < 256; vk++) all |= mox_keybits(vk);
    // 0x200, 0x800 and 0x4000 come only from joysticks and key sets.
    EXPECT_EQ(all, 0xFFFF & ~(0x200 | 0x800 | 0x4000));
}

TEST(Joystick, HatPositionsGiveDirectionBits)
{
    EXPECT_EQ(mox_hatbits(0), 0x1);
    EXPECT_EQ(mox_hatbits(4500), 0x1 | 0x8);
    EXPECT_EQ(mox_hatbits(9000), 0x8);
    EXPECT_EQ(mox_hatbits(13500), 0x2 | 0x8);
    EXPECT_EQ(mox_hatbits(18000), 0x2);
    EXPECT_EQ(mox_hatbits(22500), 0x2 | 0x4);
    EXPECT_EQ(mox_hatbits(27000), 0x4);
    EXPECT_EQ(mox_hatbits(31500), 0x1 | 0x4);
    EXPECT_EQ(mox_hatbits(65535), 0);
}

TEST(Joystick, ButtonLayouts)
{
    EXPECT_EQ(mox_joybuttonbits(1, 1), 0x0010);
    EXPECT_EQ(mox_joybuttonbits(1, 7), 0x2000);
    EXPECT_EQ(mox_joybuttonbits(1, 11), 0);
    EXPECT_EQ(mox_joybuttonbits(2, 1), 0x0040);
    EXPECT_EQ(mox_joybuttonbits(2, 13), 0x8000);
    EXPECT_EQ(mox_joybuttonbits(2, 14), 0x1000);
    for (int layout : {0, 3, 4}) {
        EXPECT_EQ(mox_joybuttonbits(layout, 1), 0x0080);
        EXPECT_EQ(mox_joybuttonbits(layout, 5), 0x0200);
        EXPECT_EQ(mox_joybuttonbits(layout, 12), 0x4000);
        EXPECT_EQ(mox_joybuttonbits(layout, 13), 0);
    }
    EXPECT_EQ(mox_joybuttonbits(1, 0), 0);
    EXPECT_EQ(mox_joybuttonbits(1, 15), 0);
}

}  // namespace
