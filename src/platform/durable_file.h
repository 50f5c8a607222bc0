#pragma once
// A small file that must survive a crash or a power cut whole, kept as two
// alternating copies, "<path>.0" and "<path>.1".
//
// Each write goes over the older copy and is flushed to the disk before it
// returns; each copy starts with a header holding a sequence number, the
// length of the content and its checksum. A write cut short by a crash or a
// power cut thus spoils at most the copy it was writing, and reading gives
// the newest whole copy. Writing in place (no new file, no rename) keeps a
// write to one block and one flush.
// Paths are narrow: the ANSI code page on Windows, UTF-8 on Linux.
//
// Results: Write 1 written and flushed, 0 failed (the other copy stays as it
// was); Read 1 the newest whole copy is in `content`, 0 there is no copy at
// all, -1 no copy is whole; `damaged` counts the copies found spoilt or
// unreadable.
// Not thread-safe: one owner calls it.

#include <cstddef>
#include <cstdint>
#include <string>

class CDurableFile {
public:
    void SetPath(const std::string& path) { m_path = path; }
    const std::string& Path() const { return m_path; }

    int Read(std::string& content, int& damaged);
    // The first write of an object reads the copies first, so that it never
    // goes over the newest one.
    int Write(const std::string& content);

private:
    // The OS side: the whole of one copy's bytes; 1, 0 missing, -1 failure
    // or a copy larger than `limit` bytes (its size is checked before it is
    // read, and no more than that is read).
    static int ReadCopy(const std::string& path, size_t limit, std::string& bytes);
    // Writes `bytes` over the copy (made when missing), cuts it to their
    // length and flushes it to the disk. true on success.
    static bool WriteCopy(const std::string& path, const std::string& bytes);

    std::string m_path;
    bool m_known = false;     // the copies were read
    uint64_t m_sequence = 0;  // of the newest copy
    int m_next = 0;           // the copy the next write goes over
};
