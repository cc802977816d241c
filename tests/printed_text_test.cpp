// Texts the user reads: a file's single-byte texts printed as UTF-8 (that "show" prints them so, as JSON any
// parser accepts: cli_test.cpp and fuzz/config_file_fuzzer.cpp), and the diagnostic window's log: newest
// first, 8192 characters, living and dying with the window.

#include <gtest/gtest.h>

#include "buslink/diagnostic_log.h"
#include "configfile/windows1252.h"

namespace kavro {
namespace {

TEST(Utf8FromWindows1252, EachKindOfByte) {
    struct Row { const char *name, *text, *utf8; };
    for (const Row& r : {
             Row{"ASCII and control characters stay as they are", "0A b\x01", "0A b\x01"},
             Row{"the euro sign at 80 takes three bytes", "\x80", "\xE2\x82\xAC"},
             Row{"undefined bytes, such as 81 and 9D, become U+FFFD", "\x81\x9D", "\xEF\xBF\xBD\xEF\xBF\xBD"},
             Row{"no-break space A0 and y diaeresis FF as in Latin-1", "\xA0\xFF", "\xC2\xA0\xC3\xBF"},
         })
        EXPECT_EQ(Utf8FromWindows1252(r.text), r.utf8) << r.name;
}

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
    log.show();  // as a new log (black: specified_texts_test.cpp)
    EXPECT_EQ(std::pair(log.text(), log.colour()), std::pair(std::string(), DiagnosticLog("Diagnostic").colour()));
}

}  // namespace
}  // namespace kavro
