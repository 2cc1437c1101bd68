// Number parsing of sectorcut's command line.
#include <gtest/gtest.h>

#include "cutter.h"

TEST(ParseNumber, ReadsHexWithLowercasePrefixElseDecimal)
{
    struct Case {
        const char* text;
        int32_t expected;
    };
    const Case cases[] = {
        {"0x1F", 31},
        {"0x1f", 31},
        {"0x20", 32},
        {"0X10", 0},
        {" 0x10", 0},
        {"012", 12},
        {"020", 20},
        {"-7", -7},
        {"+5", 5},
        {"12abc", 12},
        {"0", 0},
        {"0x", 0},
        {"abc", 0},
        {"", 0},
        {"- 5", 0},
        {" \t42", 42},
        {"0x 1F", 31},
        {"0x-1", -1},
        {"0x0x10", 16},
        {"0xg", 0},
        {"0xFFFFFFFF", -1},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        // Beyond 32 bits a number wraps around: it is taken modulo 2^32.
        {"2147483648", INT32_MIN},
        {"4294967296", 0},
        {"-2147483649", INT32_MAX},
        {"0x100000000", 0},
        {"0x123456789", 0x23456789},
        {"99999999999999999999999", -159383553},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        EXPECT_EQ(parse_number(k.text), k.expected);
    }
}
