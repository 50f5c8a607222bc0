#pragma once
// Whether a file or folder exists, for a path in UTF-8 (the database paths;
// on Windows the narrow calls would read it in the ANSI code page).

#include <filesystem>
#include <string>
#include <system_error>

inline std::filesystem::path Utf8Path(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// False also when the path cannot be examined.
inline bool Utf8PathExists(const std::string& utf8) {
    std::error_code error;
    return std::filesystem::exists(Utf8Path(utf8), error);
}
