#pragma once
// An exclusively held file opened for writing, as the log files use it.
//
// Windows: CreateFileA without sharing, so no other process (or handle) can
// open, rename or delete the file while it is held. Linux: open(2) plus an
// exclusive flock(2), so a second writer of the same file is refused; the
// file can still be deleted or moved away while it is open, which IsAt
// tells.
// Not thread-safe: the owner serialises its calls.

#include <cstddef>
#include <cstdint>

class CPlatformFile {
public:
    CPlatformFile() = default;
    ~CPlatformFile() { Close(); }
    CPlatformFile(const CPlatformFile&) = delete;
    CPlatformFile& operator=(const CPlatformFile&) = delete;

    // Opens an existing file for writing. True on success; false when the file
    // is missing, held by another writer or cannot be opened.
    bool OpenExisting(const char* path);
    // Opens the file for writing, creating it when it does not exist.
    bool OpenAlways(const char* path);
    bool IsOpen() const { return m_handle != kNone; }
    // Moves the write position to the end of the file. The file's size, or -1.
    int64_t SeekToEnd();
    // False when `path` no longer names the open file (it was deleted, or
    // moved away and perhaps replaced); always true on Windows, where a held
    // file cannot be deleted or moved.
    bool IsAt(const char* path) const;
    // Writes all `size` bytes; false when the system wrote fewer.
    bool Write(const void* data, size_t size);
    // Closes the file; false when none was open.
    bool Close();

private:
    static constexpr intptr_t kNone = -1;
    bool Open(const char* path, bool create);
    intptr_t m_handle = kNone;
};
