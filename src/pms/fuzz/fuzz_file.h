#pragma once
// The parsers read response files: each input is written to one file of the
// fuzzer's own, which the parser then reads.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

inline const char* WriteFuzzFile(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/qlo-pms-fuzz-" + std::to_string(getpid()) + ".json";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return nullptr;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    return path.c_str();
}
