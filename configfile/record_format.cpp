#include "configfile/record_format.h"

#include <fstream>
#include <system_error>

namespace kavro {
namespace {

constexpr std::uint16_t kTextType = 8;
constexpr std::uint16_t kIntegerType = 2;
constexpr char kEndMarkText[] = "EndMark";

void PutWord(Record& r, std::size_t at, std::uint16_t word) {
    r[at] = static_cast<std::uint8_t>(word & 0xFF);
    r[at + 1] = static_cast<std::uint8_t>(word >> 8);
}

std::uint16_t Word(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

std::optional<Record> EncodeRecord(const RecordValue& value) {
    Record r{};
    if (const auto* text = std::get_if<std::string>(&value)) {
        if (text->size() > kMaxTextLength) return std::nullopt;
        PutWord(r, 0, kTextType);
        PutWord(r, 2, static_cast<std::uint16_t>(text->size()));
        std::copy(text->begin(), text->end(), r.begin() + 4);
    } else if (const auto* number = std::get_if<std::int16_t>(&value)) {
        PutWord(r, 0, kIntegerType);
        PutWord(r, 2, static_cast<std::uint16_t>(*number));
    } else {
        PutWord(r, 0, 7);
        std::copy(kEndMarkText, kEndMarkText + 7, r.begin() + 2);
    }
    return r;
}

std::optional<ConfigBytes> ReadConfigBytes(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    return ReadConfigBytes(in);
}

ConfigBytes ReadConfigBytes(std::istream& in) {
    ConfigBytes bytes(kLongestConfigFile);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

std::optional<RecordValue> RecordReader::read(std::size_t n, RecordError* error) const {
    auto fail = [&](RecordError e) -> std::optional<RecordValue> {
        if (error) *error = e;
        return std::nullopt;
    };
    if (error) *error = RecordError::None;
    if (n == 0 || n * kRecordSize > bytes_.size()) return fail(RecordError::BeyondEnd);
    const std::uint8_t* r = bytes_.data() + (n - 1) * kRecordSize;
    switch (Word(r)) {
    case kIntegerType:
        return RecordValue{static_cast<std::int16_t>(Word(r + 2))};
    case kTextType: {
        const std::uint16_t length = Word(r + 2);
        // The length word is not trusted: a text never leaves its record.
        if (length > kMaxTextLength) return fail(RecordError::Undecodable);
        return RecordValue{std::string(r + 4, r + 4 + length)};
    }
    default:
        return fail(RecordError::Undecodable);
    }
}

}  // namespace kavro
