#pragma once
// The review page's files (page/*.html, *.js, *.css), built into the program
// from the sources of the repository, so that the page needs no file beside
// the program and no network.

#include <cstddef>
#include <string_view>

struct CPageFile {
    const char* name;  // the file name, as in page/
    const unsigned char* data;
    size_t size;
};

extern const CPageFile kPageFiles[];
extern const size_t kPageFileCount;

// The file called `name`, or nullptr.
const CPageFile* FindPageFile(std::string_view name);
// The Content-Type of a file name by its ending (UTF-8 text types).
const char* PageFileType(std::string_view name);
