#include "configfile/config_records.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <system_error>

#include "platform/number_text.h"

namespace kavro {
namespace {

namespace fs = std::filesystem;

// Where the compare finds a channel's "Src Group" box and its source group
// address: record 11 + 13c, and record 109 + c.
constexpr int kChannelRecords = 13;
constexpr int kSrcGroupBoxRecord = 11;
constexpr int kFirstSourceGroupRecord = 109;

// One record of the table: which control it stands for.
struct Field {
    enum Kind { List, Check, Text } kind;
    ListBox* list = nullptr;
    CheckBox* check = nullptr;
    TextBox* text = nullptr;
    std::string name;

    // Hidden on the screen: a field its channel's choices leave unused.
    bool hidden() const {
        const Control* control = list ? static_cast<const Control*>(list) : check ? static_cast<const Control*>(check)
                                                                                 : text;
        return !control->visible();
    }
};

// Records 2..116 in order; element i is record i + 2.
std::vector<Field> RecordFields(ConfigScreen& s) {
    std::vector<Field> fields;
    for (int c = 0; c < kChannels; ++c) {
        const std::string channel = "Channel " + std::to_string(c + 1);
        for (int e = 0; e < 3; ++e)
            fields.push_back({Field::List, &s.commands[EventIndex(c, e)], nullptr, nullptr,
                              channel + ", " + kEventNames[e] + ": command"});
        for (int e = 0; e < 3; ++e)
            fields.push_back({Field::Text, nullptr, nullptr, &s.data[EventIndex(c, e)],
                              channel + ", " + kEventNames[e] + ": data"});
        fields.push_back({Field::Check, nullptr, &s.destinationBoxes[SpecificBox(c)], nullptr, channel + ": Specific"});
        fields.push_back({Field::Check, nullptr, &s.destinationBoxes[GroupBox(c)], nullptr, channel + ": Group"});
        fields.push_back({Field::Check, nullptr, &s.destinationBoxes[PointToPointBox(c)], nullptr, channel + ": P-P"});
        fields.push_back({Field::Check, nullptr, &s.destinationBoxes[SrcGroupBox(c)], nullptr, channel + ": Src Group"});
        fields.push_back({Field::Check, nullptr, &s.seq[c], nullptr, channel + ": Seq"});
        fields.push_back({Field::Text, nullptr, nullptr, &s.motorAddress[c], channel + ": Motor Address"});
        fields.push_back({Field::Text, nullptr, nullptr, &s.lockPriority[c], channel + ": Lock Priority"});
    }
    fields.push_back({Field::Text, nullptr, nullptr, &s.ppMotorAddress, "P-P Motor Address"});
    fields.push_back({Field::Text, nullptr, nullptr, &s.switchAddress, "Switch Address"});
    fields.push_back({Field::Check, nullptr, &s.useSwitchAddress, nullptr, "Use Switch Address for Config"});
    for (int c = 0; c < kChannels; ++c)
        fields.push_back({Field::Text, nullptr, nullptr, &s.sourceGroupAddress[c],
                          "Channel " + std::to_string(c + 1) + ": Source Group Address"});
    return fields;
}

// Compare and export only read the screen; the table is built once for
// all three uses.
std::vector<Field> RecordFields(const ConfigScreen& s) { return RecordFields(const_cast<ConfigScreen&>(s)); }

RecordValue ScreenValue(const Field& f) {
    switch (f.kind) {
    case Field::List: return static_cast<std::int16_t>(f.list->selected());
    case Field::Check: return static_cast<std::int16_t>(f.check->value());
    default: return f.text->text();
    }
}

// A number where one is needed: an integer, or a text that reads as one
// (rounded to whole, halves to even) within 16 bits.
std::optional<int> NumberOf(const RecordValue& v) {
    if (const auto* i = std::get_if<std::int16_t>(&v)) return *i;
    if (const auto* t = std::get_if<std::string>(&v)) return WholeNumber16(*t);
    return std::nullopt;
}

// Whether import takes a value for a control: a command list position
// or "no command", a check box state 0 to 2, any text (a number becomes its
// decimal text).
bool Acceptable(const Field& f, const RecordValue& v) {
    if (std::holds_alternative<EndMark>(v)) return false;
    const auto n = NumberOf(v);
    switch (f.kind) {
    case Field::List: return n && *n >= -1 && *n < kCommandCount;
    case Field::Check: return n && *n >= 0 && *n <= 2;
    default: return true;
    }
}

// Puts a value into its control as the user would; false for a value the
// control cannot take.
bool Apply(const Field& f, const RecordValue& v) {
    if (!Acceptable(f, v)) return false;
    switch (f.kind) {
    case Field::List:
        if (*NumberOf(v) >= static_cast<int>(f.list->items().size())) return false;
        f.list->select(*NumberOf(v));
        return true;
    case Field::Check: f.check->setValue(*NumberOf(v)); return true;
    default:
        if (const auto* t = std::get_if<std::string>(&v)) f.text->setText(*t);
        else f.text->setText(std::to_string(std::get<std::int16_t>(v)));
        return true;
    }
}

bool IsConfigHeader(const std::optional<RecordValue>& record) {
    const auto* text = record ? std::get_if<std::string>(&*record) : nullptr;
    return text && *text == kFileHeader;
}

std::string Shown(const Field& f, const RecordValue& v) {
    if (const auto* t = std::get_if<std::string>(&v)) return Quoted(*t);
    if (const auto* i = std::get_if<std::int16_t>(&v)) {
        if (f.kind == Field::List) {
            if (*i == -1) return "no command";
            if (*i >= 0 && *i < kCommandCount) return kCommands[*i].name;
        }
        if (f.kind == Field::Check && *i >= 0 && *i <= 2)
            return *i == 1 ? "ticked" : *i == 0 ? "clear" : "greyed";
        return std::to_string(*i);
    }
    return "end mark";
}

}  // namespace

std::vector<RecordValue> ScreenRecords(const ConfigScreen& screen) {
    std::vector<RecordValue> values{std::string(kFileHeader)};
    for (const Field& f : RecordFields(screen)) values.push_back(ScreenValue(f));
    return values;
}

std::optional<ConfigBytes> ConfigFileBytes(const ConfigScreen& screen) {
    ConfigBytes bytes;
    for (const RecordValue& v : ScreenRecords(screen)) {
        const auto record = EncodeRecord(v);
        if (!record) return std::nullopt;
        bytes.insert(bytes.end(), record->begin(), record->end());
    }
    const Record endMark = *EncodeRecord(EndMark{});
    bytes.insert(bytes.end(), endMark.begin(), endMark.end());
    return bytes;
}

WriteResult WriteConfigFile(const fs::path& file, const ConfigScreen& screen, bool replace) {
    std::error_code error;
    if (fs::is_directory(file, error) || (!replace && (fs::exists(file, error) || fs::is_symlink(file, error))))
        return {WriteOutcome::Exists};
    const std::optional<ConfigBytes> bytes = ConfigFileBytes(screen);
    if (!bytes) return {WriteOutcome::Failed, "a text is too long for its record"};
    return WriteWholeFile(file, std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()), replace);
}

LoadOutcome LoadConfig(const ConfigBytes& bytes, ConfigScreen& screen, int* lastApplied) {
    int applied = 0;
    if (!lastApplied) lastApplied = &applied;
    *lastApplied = 0;
    const RecordReader reader(bytes);
    // A first record that cannot be read at all (an empty or short file, a
    // type word no value has) is a read error like any other record's; one
    // that reads as something other than "SWITCH" is another kind of file.
    const std::optional<RecordValue> header = reader.read(1);
    if (!header) return LoadOutcome::ReadError;
    if (!IsConfigHeader(header)) return LoadOutcome::BadFileType;
    *lastApplied = 1;
    const std::vector<Field> fields = RecordFields(screen);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto value = reader.read(i + 2);
        if (!value || !Apply(fields[i], *value)) return LoadOutcome::ReadError;
        *lastApplied = static_cast<int>(i) + 2;
    }
    return LoadOutcome::Loaded;
}

LoadOutcome LoadConfigFile(const fs::path& file, ConfigScreen& screen, int* lastApplied) {
    if (lastApplied) *lastApplied = 0;
    const auto bytes = ReadConfigBytes(file);
    return bytes ? LoadConfig(*bytes, screen, lastApplied) : LoadOutcome::CannotOpen;
}

const char* LoadProblem(LoadOutcome outcome) {
    switch (outcome) {
    case LoadOutcome::Loaded: return "";
    case LoadOutcome::CannotOpen: return "cannot be read";
    case LoadOutcome::BadFileType: return kBadFileType;
    case LoadOutcome::ReadError: return kReadError;
    }
    return "";
}

CompareResult CompareConfig(const ConfigBytes& bytes, const ConfigScreen& screen) {
    CompareResult result;
    const RecordReader reader(bytes);
    const std::vector<Field> fields = RecordFields(screen);
    // Records 2..108, then the source group address of each channel in
    // "Src Group" mode on either side.
    std::vector<int> records;
    for (int record = 2; record <= kLastComparedRecord; ++record) records.push_back(record);
    for (int c = 0; c < kChannels; ++c) {
        const int box = kSrcGroupBoxRecord + kChannelRecords * c;
        const auto fileBox = reader.read(box);
        if (screen.destinationBoxes[SrcGroupBox(c)].value() == 1 || (fileBox && NumberOf(*fileBox) == 1))
            records.push_back(kFirstSourceGroupRecord + c);
    }
    bool equal = true;
    for (const int record : records) {
        const Field& f = fields[record - 2];
        RecordError error;
        const auto value = reader.read(record, &error);
        if (error == RecordError::Undecodable) return result;  // a record that is not one: no verdict
        const RecordValue screenValue = ScreenValue(f);
        if (value && *value == screenValue) continue;
        equal = false;
        result.differences.push_back(
            {record, f.name, value ? Shown(f, *value) : "not in the file", Shown(f, screenValue), f.hidden()});
    }
    result.outcome = equal ? CompareOutcome::Identical : CompareOutcome::Different;
    return result;
}

CompareResult CompareConfigFile(const fs::path& file, const ConfigScreen& screen) {
    const auto bytes = ReadConfigBytes(file);
    return bytes ? CompareConfig(*bytes, screen) : CompareResult{};
}

std::optional<std::vector<Difference>> DiffConfigs(const ConfigBytes& a, const std::string& nameA,
                                                   const ConfigBytes& b, const std::string& nameB,
                                                   std::string* error) {
    const RecordReader readers[2] = {RecordReader(a), RecordReader(b)};
    const std::string* names[2] = {&nameA, &nameB};
    for (int k = 0; k < 2; ++k)
        if (const auto header = readers[k].read(1); !IsConfigHeader(header)) {
            *error = *names[k] + ": " + (header ? kBadFileType : std::string(kReadError) + " at record 1");
            return std::nullopt;
        }
    ConfigScreen screen;
    screen.fillCommandLists();
    const std::vector<Field> fields = RecordFields(screen);
    std::vector<Difference> differences;
    for (int record = 2; record <= kValueRecords; ++record) {
        const Field& f = fields[record - 2];
        const auto va = readers[0].read(record), vb = readers[1].read(record);
        if (!va || !vb) {
            *error = *names[va ? 1 : 0] + ": " + kReadError + " at record " + std::to_string(record);
            return std::nullopt;
        }
        // A value import refuses is told as such: import stops there.
        std::string refused;
        for (int k = 0; k < 2; ++k)
            if (!Acceptable(f, k ? *vb : *va))
                refused += (refused.empty() ? "" : "; ") + *names[k] + " holds " + Shown(f, k ? *vb : *va) +
                           ", which import refuses";
        if (*va != *vb || !refused.empty())
            differences.push_back({record, f.name, Shown(f, *va), Shown(f, *vb), false, refused});
    }
    return differences;
}

}  // namespace kavro
