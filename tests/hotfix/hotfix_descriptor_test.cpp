#include "hotfix/hotfix_descriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace std::string_literals;

// Each read as fgets with a 1024-byte buffer hands it over from a text-mode file: at most 1023
// characters, ending after a line feed or at the end of the file, NUL bytes kept in place.
TEST(HotfixDescriptor, ReadsTheVersionAndTheOperationType)
{
    const std::string blanks(1021, ' ');
    const struct {
        const char* name;
        std::vector<std::string> reads;
        std::string version;
        int optType;
    } cases[] = {
        {"two whole lines", {"2.0\n", "1\n"}, "2.0", 1},
        {"no reads at all", {}, "", -1},
        {"no second line", {"2.0\n"}, "2.0", -1},
        {"only line without line end", {"2.0"}, "2.", -1},
        {"last line without line end", {"2.0\n", "1"}, "2.0", 0},
        {"last line of two digits without line end", {"2.0\n", "10"}, "2.0", 1},
        {"blanks kept in the version", {" 2.0 beta \n", "0\n"}, " 2.0 beta ", 0},
        {"later lines ignored", {"2.0\n", "1\n", "0\n", "5\n"}, "2.0", 1},
        {"white space and a sign before the digits", {"v\n", "\t +1\n"}, "v", 1},
        {"digits end at a letter", {"v\n", "1abc\n"}, "v", 1},
        {"decimal even with a leading zero", {"v\n", "010\n"}, "v", 10},
        {"no hexadecimal", {"v\n", "0x1\n"}, "v", 0},
        {"letters only", {"v\n", "abc\n"}, "v", 0},
        {"one past the 32-bit range", {"v\n", "2147483648\n"}, "v", INT32_MAX},
        {"2^32 + 1 clamped, not wrapped to 1", {"v\n", "4294967297\n"}, "v", INT32_MAX},
        {"one below the 32-bit range", {"v\n", "-2147483649\n"}, "v", INT32_MIN},
        {"NUL inside the first line", {"2.0\0tail\n"s, "1\n"}, "2.", 1},
        {"first line over one read", {std::string(1023, 'x'), "1\n", "0\n"}, std::string(1022, 'x'), 1},
        {"second line over one read", {"v\n", blanks + "15", std::string(600, '0') + "\n"}, "v", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HotfixDescriptor descriptor;
        for (const std::string& read : c.reads) {
            ASSERT_LE(read.size(), 1023u);
            readDescriptorLine(descriptor, read.c_str());
        }
        EXPECT_EQ(descriptor.version, c.version);
        EXPECT_EQ(descriptor.optType, c.optType);
    }
}
