// The log of the diagnostic window: newest first, 8192 characters, and it
// lives and dies with the window.

#include <gtest/gtest.h>

#include "buslink/diagnostic_log.h"

namespace kavro {
namespace {

TEST(DiagnosticLog, CapKeepsTheNewestOnTopAndCutsTheBottomMidEntry) {
    DiagnosticLog log("Diagnostic");
    const std::string entry = "<--80 F4 FF FE FF FF FF FF FF 08 6C \r\n";  // 38 characters
    for (int i = 0; i < 300; ++i) log.prepend(entry);
    log.prepend("RCV= 0\r\n");
    ASSERT_EQ(log.text().size(), DiagnosticLog::kMaxChars);
    EXPECT_EQ(log.text().substr(0, 8 + entry.size()), "RCV= 0\r\n" + entry);
    // 8192 - 8 = 8184 = 215 whole entries and 14 characters of the next.
    EXPECT_EQ(log.text().substr(8 + 215 * entry.size()), entry.substr(0, 14));
}

TEST(DiagnosticLog, WrittenWhileHiddenShownLaterDiscardedOnClose) {
    DiagnosticLog log("Diagnostic");
    EXPECT_FALSE(log.exists());
    log.prepend("one\r\n");
    log.setColour(kLogMagenta);
    log.prepend("two\r\n");
    EXPECT_TRUE(log.exists() && !log.visible());
    log.show();
    EXPECT_EQ(log.text(), "two\r\none\r\n");
    EXPECT_EQ(log.colour(), kLogMagenta);
    log.close();
    log.show();
    EXPECT_EQ(log.text(), "");
    EXPECT_EQ(log.colour(), kLogBlack);
}

}  // namespace
}  // namespace kavro
