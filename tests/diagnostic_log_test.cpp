// The log of the diagnostic window: newest first, 8192 characters, and it lives and dies with the window.

#include <gtest/gtest.h>

#include "buslink/diagnostic_log.h"

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
    log.setColour(kLogMagenta);
    log.prepend("two\r\n");
    EXPECT_TRUE(log.exists() && !log.visible());
    log.show();
    EXPECT_EQ(std::pair(log.text(), log.colour()), std::pair(std::string("two\r\none\r\n"), kLogMagenta));
    log.close();
    log.show();
    EXPECT_EQ(std::pair(log.text(), log.colour()), std::pair(std::string(), kLogBlack));
}

}  // namespace
}  // namespace kavro
