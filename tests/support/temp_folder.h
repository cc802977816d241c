#pragma once
// A fresh folder for one test, removed with everything in it afterwards,
// and reading and writing whole files as bytes.

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace kavro::test {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline void WriteFile(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

class TempFolder {
public:
    TempFolder() {
        static const unsigned run = std::random_device{}();
        static std::atomic<int> made{0};
        path_ = fs::temp_directory_path() / ("kavro-test-" + std::to_string(run) + "-" + std::to_string(made++));
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const fs::path& path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

}  // namespace kavro::test
