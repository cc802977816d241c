// Screen text into message bytes: addresses, data values, priorities.

#include <gtest/gtest.h>

#include "buslink/field_parsers.h"

namespace kavro {
namespace {

struct Address {
    int b1, b2, b3;
};

Address Parsed(std::string_view text, bool reversed = false) {
    ParserSlots s;
    reversed ? ParseReversedAddressText(text, s) : ParseAddressText(text, s);
    return {s.AddrByte1, s.AddrByte2, s.AddrByte3};
}

TEST(AddressParsers, PairsInTextOrder) {
    const Address a = Parsed("1A2B3C");
    EXPECT_EQ(a.b1, 0x1A);
    EXPECT_EQ(a.b2, 0x2B);
    EXPECT_EQ(a.b3, 0x3C);
}

TEST(AddressParsers, SourceGroupPairsReversed) {
    const Address a = Parsed("1A2B3C", true);
    EXPECT_EQ(a.b1, 0x3C);
    EXPECT_EQ(a.b2, 0x2B);
    EXPECT_EQ(a.b3, 0x1A);
}

TEST(AddressParsers, NonDigitsCountZeroAndShortTextFillsRight) {
    Address a = Parsed("1g2");
    EXPECT_EQ(a.b1, 0x10);
    EXPECT_EQ(a.b2, 0x20);
    EXPECT_EQ(a.b3, 0x00);
    a = Parsed("");
    EXPECT_EQ(a.b1 | a.b2 | a.b3, 0);
    a = Parsed("12");
    EXPECT_EQ(a.b1, 0x12);
    EXPECT_EQ(a.b2 | a.b3, 0);
}

TEST(AddressParsers, LowerCaseAndCharactersPastTheSixthIgnored) {
    const Address a = Parsed("abcdef99");
    EXPECT_EQ(a.b1, 0xAB);
    EXPECT_EQ(a.b2, 0xCD);
    EXPECT_EQ(a.b3, 0xEF);
}

TEST(AddressParsers, ErrorTextBecomesE00000) {
    const Address a = Parsed("Error");
    EXPECT_EQ(a.b1, 0xE0);
    EXPECT_EQ(a.b2, 0x00);
    EXPECT_EQ(a.b3, 0x00);
}

TEST(AddressParsers, WriteOnlyTheirOwnSlots) {
    ParserSlots s;
    s.DataByte1 = 0x77;
    s.DataByte2 = 0x66;
    ParseAddressText("FFFFFF", s);
    EXPECT_EQ(s.DataByte1, 0x77);
    EXPECT_EQ(s.DataByte2, 0x66);
}

TEST(DataParser, RightAlignedUpToFourDigits) {
    ParserSlots s;
    ParseDataValueText("123", s);
    EXPECT_EQ(s.DataByte1, 0x01);
    EXPECT_EQ(s.DataByte2, 0x23);
    ParseDataValueText("1A", s);
    EXPECT_EQ(s.DataByte1, 0x00);
    EXPECT_EQ(s.DataByte2, 0x1A);
    ParseDataValueText("1234", s);
    EXPECT_EQ(s.DataByte1, 0x12);
    EXPECT_EQ(s.DataByte2, 0x34);
}

TEST(DataParser, LongTextUsesItsFirstFourCharacters) {
    ParserSlots s;
    ParseDataValueText("ABCDE", s);
    EXPECT_EQ(s.DataByte1, 0xAB);
    EXPECT_EQ(s.DataByte2, 0xCD);
    // The placeholder of a data box that never had a command with data.
    ParseDataValueText("Text1", s);
    EXPECT_EQ(s.DataByte1, 0x0E);
    EXPECT_EQ(s.DataByte2, 0x00);
}

TEST(DataParser, EmptyTextIsZeroAndAddressSlotsUntouched) {
    ParserSlots s;
    s.AddrByte1 = 9;
    s.DataByte1 = s.DataByte2 = 0x55;
    ParseDataValueText("", s);
    EXPECT_EQ(s.DataByte1, 0);
    EXPECT_EQ(s.DataByte2, 0);
    EXPECT_EQ(s.AddrByte1, 9);
}

TEST(PriorityParser, TwoDigitsIntoDataByte1Only) {
    ParserSlots s;
    s.DataByte2 = 0x34;
    ParsePriorityText("7", s);
    EXPECT_EQ(s.DataByte1, 0x07);
    ParsePriorityText("7F3", s);
    EXPECT_EQ(s.DataByte1, 0x7F);
    ParsePriorityText("", s);
    EXPECT_EQ(s.DataByte1, 0x00);
    EXPECT_EQ(s.DataByte2, 0x34);
}

}  // namespace
}  // namespace kavro
