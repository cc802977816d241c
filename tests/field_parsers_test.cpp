// screen text into message bytes: addresses, data values, priorities.

#include <gtest/gtest.h>

#include "buslink/field_parsers.h"

namespace kavro {
namespace {

TEST(FieldParsers, AddressesAsThreePairsMissingCharactersZero) {
    struct Case {
        const char* text;
        int b1, b2, b3;
        bool reversed;
    };
    for (const Case& k : {Case{"1A2B3C", 0x1A, 0x2B, 0x3C, false}, Case{"1A2B3C", 0x3C, 0x2B, 0x1A, true},
                          Case{"1g2", 0x10, 0x20, 0x00, false}, Case{"", 0, 0, 0, false},
                          Case{"abcdef99", 0xAB, 0xCD, 0xEF, false}, Case{"Error", 0xE0, 0x00, 0x00, false}}) {
        ParserSlots s;
        s.dataHigh = 0x77;
        k.reversed ? ParseReversedAddressText(k.text, s) : ParseAddressText(k.text, s);
        EXPECT_EQ(s.address1, k.b1) << k.text;
        EXPECT_EQ(s.address2, k.b2) << k.text;
        EXPECT_EQ(s.address3, k.b3) << k.text;
        EXPECT_EQ(s.dataHigh, 0x77);  // only its own slots
    }
}

TEST(FieldParsers, DataRightAlignedFromItsFirstFourCharacters) {
    struct Case {
        const char* text;
        int high, low;
    };
    for (const Case& k : {Case{"123", 0x01, 0x23}, Case{"1A", 0x00, 0x1A}, Case{"ABCDE", 0xAB, 0xCD},
                          Case{"Text1", 0x0E, 0x00}, Case{"", 0, 0}}) {
        ParserSlots s;
        ParseDataValueText(k.text, s);
        EXPECT_EQ(s.dataHigh, k.high) << k.text;
        EXPECT_EQ(s.dataLow, k.low) << k.text;
    }
}

TEST(FieldParsers, PriorityFromTwoCharactersIntoDataByte1Only) {
    ParserSlots s;
    s.dataLow = 0x34;
    for (auto [text, value] : {std::pair{"7", 0x07}, {"7F3", 0x7F}, {"", 0x00}}) {
        ParsePriorityText(text, s);
        EXPECT_EQ(s.dataHigh, value) << text;
    }
    EXPECT_EQ(s.dataLow, 0x34);
}

}  // namespace
}  // namespace kavro
