#pragma once
// A fresh, empty folder under the system's temporary folder, removed with
// everything in it when the object goes away.

#include <filesystem>
#include <string>
#include <vector>

class CTempFolder {
public:
    CTempFolder();
    ~CTempFolder();
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The folder, or a file in it, as narrow text for the system's APIs.
    std::string Str() const { return m_path.string(); }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// The whole content of a file as bytes ("" when it cannot be read).
std::string ReadFileBytes(const std::string& path);
// The files under `folder` (all levels) whose bytes hold `text` anywhere.
std::vector<std::string> FilesHolding(const std::filesystem::path& folder, const std::string& text);
