// The log of the diagnostic window: newest first, 8192 characters, and it
// lives and dies with the window.

#include <gtest/gtest.h>

#include "buslink/diagnostic_log.h"

namespace kavro {
namespace {

TEST(DiagnosticLog, NewestEntryOnTop) {
    DiagnosticLog log("Diagnostic");
    log.prepend("first\r\n");
    log.prepend("second\r\n");
    EXPECT_EQ(log.text(), "second\r\nfirst\r\n");
}

TEST(DiagnosticLog, CapKeepsTheNewestAndCutsTheBottomMidEntry) {
    DiagnosticLog log("Diagnostic");
    const std::string entry = "<--80 F4 FF FE FF FF FF FF FF 08 6C \r\n";  // 38 characters
    for (int i = 0; i < 300; ++i) log.prepend(entry);
    log.prepend("RCV= 0\r\n");
    ASSERT_EQ(log.text().size(), DiagnosticLog::kMaxChars);
    EXPECT_EQ(log.text().substr(0, 8), "RCV= 0\r\n");
    EXPECT_EQ(log.text().substr(8, entry.size()), entry);
    // 8192 - 8 = 8184 = 215 whole entries and 14 characters of the next.
    EXPECT_EQ(log.text().substr(8 + 215 * entry.size()), entry.substr(0, 14));
}

TEST(DiagnosticLog, EntriesCollectedWhileHiddenAreThereWhenShown) {
    DiagnosticLog log("Diagnostic");
    EXPECT_FALSE(log.exists());
    log.prepend("one\r\n");
    EXPECT_TRUE(log.exists());
    EXPECT_FALSE(log.visible());
    log.setColour(kLogMagenta);
    log.prepend("two\r\n");
    log.show();
    EXPECT_TRUE(log.visible());
    EXPECT_EQ(log.text(), "two\r\none\r\n");
    EXPECT_EQ(log.colour(), kLogMagenta);
}

TEST(DiagnosticLog, ShowingBeforeAnyExchangeGivesAnEmptyBlackLog) {
    DiagnosticLog log("Diagnostic");
    log.show();
    EXPECT_TRUE(log.visible());
    EXPECT_EQ(log.text(), "");
    EXPECT_EQ(log.colour(), kLogBlack);
}

TEST(DiagnosticLog, ClosingDiscardsTheLogAndANewWindowStartsEmpty) {
    DiagnosticLog log("Diagnostic");
    log.prepend("old\r\n");
    log.setColour(kLogMagenta);
    log.show();
    log.close();
    EXPECT_FALSE(log.exists());
    log.show();
    EXPECT_EQ(log.text(), "");
    EXPECT_EQ(log.colour(), kLogBlack);
}


}  // namespace
}  // namespace kavro
