#pragma once
// Texts in this program are UTF-8: what the window shows, what the file
// dialog hands back. A path made from such a text has to be told so, for a
// path built from a plain std::string reads it in the system's narrow
// encoding: on Windows the ANSI code page, where "Müller.set" names another
// file. Linux paths are UTF-8 bytes already, so there both are copies.

#include <filesystem>
#include <string>

namespace kavro {

inline std::filesystem::path PathFromUtf8(const std::string& text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

}  // namespace kavro
