// The diagnostic window's log: newest first, 8192 characters, living and dying with the window. (A file's
// single-byte texts printed as UTF-8: cli_test.cpp, and against the whole code page fuzz/config_file_fuzzer.cpp.)

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
    log.setColour({1, 2, 3});
    log.prepend("two\r\n");
    EXPECT_TRUE(log.exists() && !log.visible());
    log.show();
    EXPECT_EQ(std::pair(log.text(), log.colour()), std::pair(std::string("two\r\none\r\n"), Rgb{1, 2, 3}));
    log.close();
    log.show();  // as a new log (black: designed_texts_test.cpp)
    EXPECT_EQ(std::pair(log.text(), log.colour()), std::pair(std::string(), DiagnosticLog("Diagnostic").colour()));
}

}  // namespace
}  // namespace kavro
