// A configuration file made of the fuzz input, through everything that
// reads one: import into a fresh screen, compare, diff, and "show" as text
// and as JSON. Whatever the bytes, the screen keeps its invariants, both
// printed forms are UTF-8, the JSON parses, a difference stays on its line,
// and every text is printed as the characters of the Windows-1252 code
// page written out below. The screen it left, exported, compares identical with it and
// imports into a screen with the very same values.

#include <QJsonDocument>
#include <QStringDecoder>

#include "cli/config_json.h"
#include "cli/config_text.h"
#include "configfile/config_records.h"
#include "screen_invariants.h"

namespace {

// Strict: no overlong forms, no surrogates, nothing cut short.
bool IsUtf8(const std::string& s) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(QByteArrayView(s.data(), static_cast<qsizetype>(s.size())));
    return !decoder.hasError();
}

// Windows-1252 bytes 80..9F; the five it leaves undefined print as U+FFFD.
constexpr char16_t kHigh[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

std::string Utf8Reference(const std::string& windows1252) {
    QString text;
    for (const char c : windows1252) {
        const auto byte = static_cast<unsigned char>(c);
        text += byte >= 0x80 && byte < 0xA0 ? QChar(kHigh[byte - 0x80]) : QChar(static_cast<char16_t>(byte));
    }
    return text.toStdString();
}

void ExpectPrintedAsTheCodePage(const kavro::ConfigScreen& s) {
    std::vector<std::string> texts{s.ppMotorAddress.text(), s.switchAddress.text()};
    for (const auto& box : s.data) texts.push_back(box.text());
    for (int c = 0; c < kavro::kChannels; ++c)
        texts.insert(texts.end(), {s.motorAddress[c].text(), s.lockPriority[c].text(), s.sourceGroupAddress[c].text()});
    for (const std::string& t : texts)
        kavro::fuzz::Expect(kavro::Utf8FromWindows1252(t) == Utf8Reference(t), "texts print as Windows-1252 characters");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kavro;
    using namespace kavro::fuzz;
    const auto Fresh = [](ConfigScreen& screen) -> ConfigScreen& { return screen.fillCommandLists(), screen; };
    // Only what the format can hold is read, as from a file.
    const ConfigBytes input(data, data + std::min(size, kLongestConfigFile));

    ConfigScreen screen;
    const LoadOutcome loaded = LoadConfig(input, Fresh(screen));
    ExpectConsistent(screen);
    ExpectPrintedAsTheCodePage(screen);
    Expect(IsUtf8(ConfigAsText(screen)), "show prints UTF-8");
    const std::string json = ConfigAsJson(screen);
    QJsonParseError parsed;
    QJsonDocument::fromJson(QByteArray::fromStdString(json), &parsed);
    Expect(IsUtf8(json) && parsed.error == QJsonParseError::NoError, "show --json prints JSON");

    const CompareResult compared = CompareConfig(input, screen);
    Expect(loaded != LoadOutcome::Loaded || compared.outcome != CompareOutcome::Unreadable,
           "a file that imports can be compared");

    const auto exported = ConfigFileBytes(screen);
    Expect(exported.has_value(), "the screen exports");
    Expect(CompareConfig(*exported, screen).outcome == CompareOutcome::Identical,
           "the export compares identical with its screen");
    ConfigScreen again;
    Expect(LoadConfig(*exported, Fresh(again)) == LoadOutcome::Loaded, "the export imports");
    Expect(ScreenRecords(again) == ScreenRecords(screen), "the export imports as the screen it came from");

    std::string error;
    const auto differences = DiffConfigs(input, "input", *exported, "export", &error);
    Expect(loaded != LoadOutcome::Loaded || differences.has_value(), "a file that imports can be diffed");
    if (differences)
        for (const Difference& d : *differences)
            Expect(IsUtf8(Utf8FromWindows1252(d.field + d.fileValue + d.screenValue + d.refused)) &&
                       d.fileValue.find('\n') == std::string::npos,
                   "a difference stays on its line");
    return 0;
}
