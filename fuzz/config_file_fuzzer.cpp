// A configuration file made of the fuzz input, through everything that
// reads one: import into a fresh screen, compare, diff, and "show" as text
// and as JSON. Whatever the bytes, the screen keeps its invariants, both
// printed forms are UTF-8, the JSON parses and a difference stays on its
// line. The screen it left, exported, compares identical with it and
// imports into a screen with the very same values.

#include <QJsonDocument>
#include <QStringDecoder>

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
