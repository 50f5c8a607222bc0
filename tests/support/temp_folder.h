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

// Every file under `folder`, at any depth, whose bytes hold one of `texts`
// (the letters A to Z of both compared in either case), as "file: text"
// lines, and "file: unreadable" for a file that cannot be read; "" when no
// file holds any.
std::string FilesHolding(const std::string& folder, const std::vector<std::string>& texts);
