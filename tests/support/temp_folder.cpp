#include "support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>

CTempFolder::CTempFolder() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        m_path = base / ("qlo-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(m_path)) break;
    }
}

CTempFolder::~CTempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

std::string FilesHolding(const std::string& folder, const std::vector<std::string>& texts) {
    auto lower = [](std::string text) {
        for (char& c : text)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return text;
    };
    std::string found;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        const std::string name = entry.path().string();
        std::ifstream in(name, std::ios::binary);
        if (!in) {
            found += name + ": unreadable\n";
            continue;
        }
        std::ostringstream content;
        content << in.rdbuf();
        const std::string bytes = lower(content.str());
        for (const std::string& text : texts)
            if (bytes.find(lower(text)) != std::string::npos) found += name + ": " + text + "\n";
    }
    return found;
}
