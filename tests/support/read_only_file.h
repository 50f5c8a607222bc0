#pragma once
// Makes a file read-only for the calling process while the object lives, the
// way a user or an administrator would, and writable again afterwards.
// Windows: the read-only attribute, backed by a handle that refuses write
// sharing (Wine running as root does not enforce the attribute). Linux: the
// permission bits; a process running as root also sets aside its right to
// override them (CAP_DAC_OVERRIDE, effective set only) until the object goes
// away.

#include <string>

class CReadOnlyFile {
public:
    explicit CReadOnlyFile(const std::string& path);
    ~CReadOnlyFile();
    CReadOnlyFile(const CReadOnlyFile&) = delete;
    CReadOnlyFile& operator=(const CReadOnlyFile&) = delete;

    // True when the file is now read-only for this process.
    bool Ok() const { return m_ok; }

private:
    std::string m_path;
    bool m_ok = false;
    bool m_droppedOverride = false;  // Linux
    void* m_denyWrite = nullptr;     // Windows: the handle refusing write sharing
};
