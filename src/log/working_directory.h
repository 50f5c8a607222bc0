#pragma once
// A path joined from a folder and an optional file name, with the separator
// of the target ('\' on Windows, '/' on Linux). One trailing '\' or '/' of the
// folder is dropped on both targets.

#include "log/auto_char_buffer.h"

class CWorkingDirectory {
public:
    CWorkingDirectory() = default;
    virtual ~CWorkingDirectory() = default;

    // Stores `directory` (at most directoryLimit - 1 characters; a limit below 1
    // means 1024) joined with `fileName` when one is given (likewise limited).
    // Results: 1 stored; -1 no directory; -6 empty directory; otherwise the
    // buffer's allocation result (-4). The buffer is sized from the two
    // measured lengths, so the joined path always fits.
    int SetPath(const char* directory, int directoryLimit, const char* fileName = nullptr, int fileNameLimit = 0);
    // The stored path, or nullptr before a successful SetPath.
    const char* GetPath() const { return m_path.Get(); }
    // Forgets the path: GetPath gives nullptr again.
    void Clear() { m_path.Release(); }

private:
    CAutoCharBuffer m_path;
};
