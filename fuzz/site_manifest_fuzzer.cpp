// Reading a site manifest: any bytes, as a spreadsheet, an editor or an
// attacker may leave them. What must hold: a refusal is one line naming the
// manifest and the line at fault, with no control character; a manifest
// read lists switches by six upper-case hexadecimal digits other than
// FFFFFF, each once, in line order, each with a file, and labels that are
// UTF-8 without control characters. Written back as a spreadsheet writes
// CSV (every field quoted, quotes doubled, CR LF), it reads as the same
// switches.

#include <set>

#include "buslink/field_parsers.h"
#include "cli/site_manifest.h"
#include "fuzz_support.h"

namespace {

using kavro::cli::SiteSwitch;

bool HasControl(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
    return false;
}

std::string QuotedField(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using kavro::fuzz::Expect;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto site = kavro::cli::ParseManifest(text, "site.csv", &error);
    if (!site) {
        Expect(error.rfind("site.csv:", 0) == 0, "a refusal names the manifest");
        Expect(!HasControl(error), "a refusal is one line without control characters");
        return 0;
    }
    std::set<std::string> addresses;
    int line = 0;
    std::string again = "\xEF\xBB\xBF";
    for (const SiteSwitch& s : *site) {
        Expect(kavro::IsBusAddressText(s.address) && !kavro::IsGlobalAddressText(s.address),
               "a switch's address is six hexadecimal digits, never FFFFFF");
        for (const char c : s.address) Expect(c < 'a' || c > 'f', "an address is upper case");
        Expect(addresses.insert(s.address).second, "a switch is listed once");
        Expect(s.line > line, "switches come in line order");
        Expect(!s.file.empty(), "a switch has a file");
        Expect(!HasControl(s.label), "a label carries no control character");
        line = s.line;
        const std::string written = QuotedField(s.address) + "," + QuotedField(s.file) + "," + QuotedField(s.label);
        // A file name may hold what no CSV line carries as it is (a line
        // end), and a label grows where U+FFFD replaced a byte; the round
        // trip is for the others.
        if (s.file.find_first_of("\r\n") != std::string::npos || written.size() > kavro::cli::kManifestLineLimit)
            return 0;
        again += written + "\r\n";
    }
    const auto reread = kavro::cli::ParseManifest(again, "again.csv", &error);
    Expect(reread.has_value() && reread->size() == site->size(), "written back, the manifest reads again");
    for (std::size_t i = 0; i < site->size(); ++i)
        Expect((*reread)[i].address == (*site)[i].address && (*reread)[i].file == (*site)[i].file &&
                   (*reread)[i].label == (*site)[i].label,
               "written back, each switch reads as it was");
    return 0;
}
