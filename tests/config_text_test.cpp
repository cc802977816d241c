// "show": a file's single-byte texts printed as UTF-8, and JSON that any parser accepts.

#include <gtest/gtest.h>

#include "cli/config_text.h"

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

TEST(ConfigOutput, FileTextsComeOutAsUtf8AndJsonEscapesControls) {
    ConfigScreen screen;
    screen.fillCommandLists();
    screen.motorAddress[0].setText("\xE9\x1F\"");
    screen.sourceGroupAddress[0].setText("\x80");
    EXPECT_NE(ConfigAsJson(screen).find("\"motorAddress\": \"\xC3\xA9\\u001f\\\"\""), std::string::npos);
    EXPECT_NE(ConfigAsText(screen).find("Source groups: \xE2\x82\xAC "), std::string::npos);
}

}  // namespace
}  // namespace kavro
