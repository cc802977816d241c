#pragma once
// A fresh folder for one test, removed with everything in it afterwards, and whole files read and written as bytes.

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace kavro::test {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& file) {
    return {std::istreambuf_iterator<char>(std::ifstream(file, std::ios::binary).rdbuf()), {}};
}
inline void WriteFile(const fs::path& file, const std::string& data) { std::ofstream(file, std::ios::binary) << data; }

class TempFolder {
    fs::path path_;
    std::error_code ignored_;  // a folder that cannot be removed stays

public:
    TempFolder() {
        static const unsigned run = std::random_device{}();
        static std::atomic<int> made{0};
        path_ = fs::temp_directory_path() / ("kavro-test-" + std::to_string(run) + "-" + std::to_string(made++));
        fs::create_directories(path_);
    }
    ~TempFolder() { fs::remove_all(path_, ignored_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }
};

}  // namespace kavro::test
