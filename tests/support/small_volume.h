#pragma once
// A small file system of its own on a folder, to let a disk run full: on
// Linux a tmpfs (mounting needs root), on Windows nothing (Usable is false).
// Unmounted when the object goes.

#include <cstddef>
#include <string>

class CSmallVolume {
public:
    // Mounts `bytes` on the existing, empty `folder`.
    CSmallVolume(const std::string& folder, size_t bytes);
    ~CSmallVolume();
    CSmallVolume(const CSmallVolume&) = delete;
    CSmallVolume& operator=(const CSmallVolume&) = delete;

    // False when nothing could be mounted; Why says why.
    bool Usable() const { return m_mounted; }
    const std::string& Why() const { return m_why; }
    // Fills the free space with one file; true when the volume is then full.
    bool Fill();
    // Removes that file again.
    void Free();

private:
    std::string m_folder;
    bool m_mounted = false;
    std::string m_why;
};
