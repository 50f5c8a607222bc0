#include "qlorules/page_files.h"

const CPageFile* FindPageFile(std::string_view name) {
    for (size_t i = 0; i < kPageFileCount; ++i)
        if (name == kPageFiles[i].name) return &kPageFiles[i];
    return nullptr;
}

const char* PageFileType(std::string_view name) {
    if (name.ends_with(".html")) return "text/html; charset=utf-8";
    if (name.ends_with(".js")) return "text/javascript; charset=utf-8";
    if (name.ends_with(".css")) return "text/css; charset=utf-8";
    return "application/octet-stream";
}
