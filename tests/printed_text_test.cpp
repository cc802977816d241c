// The diagnostic window's log: newest first, 8192 characters, living and dying with the window. (A file's
// single-byte texts printed as UTF-8: cli_test.cpp, and against the whole code page fuzz/config_file_fuzzer.cpp.)

#include <gtest/gtest.h>

#include "buslink/diagnostic_log.h"
#include "platform/utf8_text.h"

namespace kavro {
namespace {

TEST(DiagnosticLog, CapKeepsTheNewestOnTopAndCutsTheBottomMidEntry) {
    DiagnosticLog log("Diagnostic");
    const std::string entry = "<--80 F4 FF FE FF FF FF FF FF 08 6C \r\n";  // 38 characters
    for (int i = 0; i < 300; ++i) log.prepend(entry);
    log.prepend("RCV= 0\r\n");
    std::string kept = "RCV= 0\r\n";  // and 8192 - 8 = 215 whole entries and 14 characters of the next
    for (int i = 0; i < 215; ++i) kept += entry;
    EXPECT_EQ(log.text(), kept + entry.substr(0, 14));
}

TEST(DiagnosticLog, WrittenWhileHiddenShownLaterDiscardedOnClose) {
    DiagnosticLog log("Diagnostic");
    EXPECT_FALSE(log.exists());
    log.prepend("one\r\n");
    log.setColour({1, 2, 3});
    log.prepend("two\r\n");
    EXPECT_TRUE(log.exists() && !log.visible());
    log.show();
    EXPECT_EQ(std::pair(log.text(), log.colour()), std::pair(std::string("two\r\none\r\n"), Rgb{1, 2, 3}));
    log.close();
    log.show();  // as a new log (black: designed_texts_test.cpp)
    EXPECT_EQ(std::pair(log.text(), log.colour()), std::pair(std::string(), DiagnosticLog("Diagnostic").colour()));
}

// What counts as one UTF-8 character where texts are checked before they are printed: overlong forms, surrogates,
// code points past U+10FFFF and sequences cut short or broken are none.
TEST(Utf8Text, ASequenceIsWholeAndShortestOrNone) {
    const struct {
        const char* text;
        std::size_t length;
    } rows[]{
        {"A", 1},         {"\xC3\xA9", 2},          {"\xC3\xBF", 2},          {"\xC3\xC0", 0},
        {"\xC3\x7F", 0},  {"\xC1\x81", 0},          {"\xE0\x9F\xBF", 0},     {"\xE0\xA0\x80", 3},
        {"\xED\x9F\xBF", 3}, {"\xED\xA0\x80", 0},      {"\xE2\x82", 0},         {"\xE2\x82\xC0", 0},
        {"\xF0\x8F\xBF\xBF", 0}, {"\xF0\x90\x80\x80", 4}, {"\xF4\x8F\xBF\xBF", 4}, {"\xF4\x90\x80\x80", 0},
        {"\xF5\x80\x80\x80", 0}, {"\x80", 0},
    };
    for (const auto& row : rows) EXPECT_EQ(Utf8SequenceLength(row.text), row.length) << row.text;
}

}  // namespace
}  // namespace kavro
