#include <gtest/gtest.h>

#include "Latin1Text.h"

namespace q417 {
namespace {

using namespace std::string_literals;

struct TextCase {
    std::string latin1;
    std::string utf8;
};

class Latin1TextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(Latin1TextTest, ConvertsBothWays) {
    EXPECT_EQ(Latin1ToUtf8(GetParam().latin1), GetParam().utf8);
    EXPECT_EQ(Utf8ToLatin1(GetParam().utf8), GetParam().latin1);
}

INSTANTIATE_TEST_SUITE_P(Table, Latin1TextTest,
                         ::testing::Values(TextCase{"", ""}, TextCase{"SITES.INI", "SITES.INI"},
                                           TextCase{"\0\x01\x7F"s, "\0\x01\x7F"s},
                                           TextCase{"\x80", "\xC2\x80"},
                                           TextCase{"3\xE9", "3\xC3\xA9"},
                                           TextCase{"\xFF", "\xC3\xBF"}));

TEST(Latin1TextTest, RefusesWhatNoLatin1TextStandsFor) {
    for (const std::string& utf8 : {"\xC4\x80"s,      // U+0100
                                    "\xE2\x82\xAC"s,  // the euro sign
                                    "\xC3"s,
                                    "\xC3"
                                    "A"s,            // cut short, no continuation
                                    "\xA9"s,         // a continuation byte alone
                                    "\xC1\xA9"s}) {  // overlong
        EXPECT_EQ(Utf8ToLatin1(utf8), std::nullopt) << ::testing::PrintToString(utf8);
    }
}

}  // namespace
}  // namespace q417
