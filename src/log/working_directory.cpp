#include "log/working_directory.h"

#include <cstring>

#include "platform/path.h"

namespace {
constexpr int kDefaultLimit = 1024;

int LimitedLength(const char* text, int limit) {
    const int max = (limit > 0 ? limit : kDefaultLimit) - 1;
    int n = 0;
    while (n < max && text[n] != '\0')
        ++n;
    return n;
}
}  // namespace

int CWorkingDirectory::SetPath(const char* directory, int directoryLimit, const char* fileName, int fileNameLimit) {
    if (!directory) return -1;
    int directoryLength = LimitedLength(directory, directoryLimit);
    if (directoryLength < 1) return -6;
    if (IsPathSeparator(directory[directoryLength - 1])) --directoryLength;
    const int fileNameLength = fileName ? LimitedLength(fileName, fileNameLimit) : 0;

    const int capacity = directoryLength + fileNameLength + 4;
    const int allocated = m_path.Allocate(capacity, true);
    if (allocated != 1) return allocated;

    char* out = m_path.Get();
    std::memcpy(out, directory, static_cast<size_t>(directoryLength));
    int length = directoryLength;
    if (fileName) {
        out[length++] = kPathSeparator;
        std::memcpy(out + length, fileName, static_cast<size_t>(fileNameLength));
        length += fileNameLength;
    }
    out[length] = '\0';
    return 1;
}
