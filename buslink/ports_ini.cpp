#include "buslink/ports_ini.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/number_text.h"

namespace kavro {

std::string FirstField(const std::string& content) {
    std::size_t i = 0;
    while (i < content.size() && content[i] == ' ') ++i;
    if (i < content.size() && content[i] == '"') {
        const std::size_t close = content.find('"', i + 1);
        return content.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
    }
    const std::size_t end = content.find_first_of(",\r\n", i);
    std::string field = content.substr(i, end == std::string::npos ? std::string::npos : end - i);
    while (!field.empty() && field.back() == ' ') field.pop_back();
    return field;
}

int PortFromCandidate(const std::string& candidate) {
    const std::optional<int> port = WholeNumber16(candidate);
    return port && *port >= kFirstPort && *port <= kLastPort ? *port : kFirstPort;
}

bool IsDevicePath(const std::string& text) {
#ifdef _WIN32
    if (text.size() < 4 || (text.compare(0, 3, "COM") != 0 && text.compare(0, 3, "com") != 0)) return false;
    return std::all_of(text.begin() + 3, text.end(), [](char c) { return c >= '0' && c <= '9'; }) && text[3] != '0';
#else
    return text.size() > 1 && text[0] == '/';
#endif
}

std::optional<RememberedPort> ReadPortsIni(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream content;
    content << in.rdbuf();
    const std::string text = content.str();
    RememberedPort remembered{FirstField(text), {}};
    const std::size_t lineEnd = text.find('\n');
    if (lineEnd != std::string::npos) {
        std::string second = text.substr(lineEnd + 1, text.find_first_of("\r\n", lineEnd + 1) - lineEnd - 1);
        while (!second.empty() && std::isspace(static_cast<unsigned char>(second.back()))) second.pop_back();
        if (IsDevicePath(second)) remembered.device = second;
    }
    return remembered;
}

bool WritePortsIni(const std::filesystem::path& file, int port, const std::string& device) {
    std::error_code error;
    std::filesystem::remove(file, error);  // a missing file is no error
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << port << "\r\n";
    if (!device.empty()) out << device << "\r\n";
    out.close();
    return static_cast<bool>(out);
}

bool SaysPortable(const std::filesystem::path& folder) {
    std::error_code error;
    return std::filesystem::exists(folder / "Ports.ini", error) || std::filesystem::exists(folder / kPortableMarker, error);
}

std::vector<std::filesystem::path> SystemProgramFolders() {
#ifdef _WIN32
    std::vector<std::filesystem::path> folders;
    for (const char* name : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot"})
        if (const char* folder = std::getenv(name); folder && *folder) folders.emplace_back(folder);
    return folders;
#else
    return {"/usr", "/opt", "/bin", "/sbin", "/snap"};
#endif
}

namespace {

// Whether `path` is `folder` or inside it, by their names alone (the
// program's folder has its links resolved already); Windows names are the
// same in any case.
bool IsWithin(const std::filesystem::path& path, const std::filesystem::path& folder) {
    const auto parts = [](const std::filesystem::path& p) {
        std::vector<std::string> names;
        for (const auto& part : p.lexically_normal()) {
            std::string name = part.string();
#ifdef _WIN32
            for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
#endif
            if (!name.empty()) names.push_back(name);
        }
        return names;
    };
    const std::vector<std::string> inner = parts(path), outer = parts(folder);
    return !outer.empty() && inner.size() >= outer.size() && std::equal(outer.begin(), outer.end(), inner.begin());
}

}  // namespace

bool IsPortable(const ProgramFolder& folder, const std::vector<std::filesystem::path>& systemFolders) {
    if (!folder.saysPortable || !folder.writable) return false;
    return std::none_of(systemFolders.begin(), systemFolders.end(),
                        [&](const std::filesystem::path& system) { return IsWithin(folder.path, system); });
}

PortsIniPlaces PortsIniPlacesFor(const ProgramFolder& program, const std::vector<std::filesystem::path>& systemFolders,
                                 const std::filesystem::path& userFile, const std::filesystem::path& administratorFile) {
    if (IsPortable(program, systemFolders)) return {program.path / "Ports.ini", {}};
    return {userFile, administratorFile};
}

std::filesystem::path PortsIniToRead(const PortsIniPlaces& places) {
    std::error_code error;
    if (std::filesystem::exists(places.own, error) || places.provided.empty()) return places.own;
    return std::filesystem::exists(places.provided, error) ? places.provided : places.own;
}

bool StorePortsIni(const PortsIniPlaces& places, int port, const std::string& device) {
    std::error_code error;
    std::filesystem::create_directories(places.own.parent_path(), error);
    return WritePortsIni(places.own, port, device);
}

}  // namespace kavro
