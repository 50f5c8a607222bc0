#pragma once
// The parsers read response files: each input is written to one file of the
// fuzzer's own, which the parser then reads. The file goes when the fuzzer ends.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

class CFuzzFile {
public:
    CFuzzFile() : m_path("/tmp/qlo-pms-fuzz-" + std::to_string(getpid()) + ".json") {}
    ~CFuzzFile() { std::remove(m_path.c_str()); }

    // Writes the input and gives the file's path, or nullptr.
    const char* Write(const uint8_t* data, size_t size) {
        FILE* file = std::fopen(m_path.c_str(), "wb");
        if (!file) return nullptr;
        const bool written = std::fwrite(data, 1, size, file) == size;
        return std::fclose(file) == 0 && written ? m_path.c_str() : nullptr;
    }

private:
    std::string m_path;
};

inline const char* WriteFuzzFile(const uint8_t* data, size_t size) {
    static CFuzzFile file;
    return file.Write(data, size);
}
