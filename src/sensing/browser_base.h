#pragma once
// The base of the browser readers and, at the same time, the holder in which
// an address is handed back to the capture.
//
// A reader recognises its browser by the executable's file name
// (IsBrowserProcess) and asks it for the address of its most recently active
// window (ReadURL). The holder keeps an address of up to 511 characters and
// its length. Values created per capture; not thread-safe.

#include "sensing/process.h"

class CBrowserBase {
public:
    static constexpr int kAddressSize = 512;  // up to 511 characters kept

    CBrowserBase() = default;
    virtual ~CBrowserBase() = default;

    // Zeroes the buffer and writes the reader's name into it, cut so that it
    // stays terminated. 1, or -1 when the buffer is null or size below 1.
    virtual int GetName(char* buffer, int size);
    // Writes the address the browser shows into the buffer (terminated, at
    // most size - 1 characters). 1 on success; the base reads nothing: 0.
    virtual int ReadURL(const CProcess& process, char* buffer, int size);
    // 1 when the process is this reader's browser. Lower-cases the record's
    // file name in place on the way. The base claims nothing: 0.
    virtual int IsBrowserProcess(CProcess& process);

    // Replaces the address with `text` measured up to maxLength characters:
    // 1 kept whole (at most 510 characters); -10 cut to its first 511; -1 no
    // text or maxLength below 1 (the address is unchanged).
    int SetURL(const char* text, int maxLength);
    const char* GetURL() const { return m_address; }
    int GetURLLength() const { return m_length; }

protected:
    // Writes `name` into the buffer as GetName describes.
    static int WriteName(const char* name, char* buffer, int size);

private:
    char m_address[kAddressSize] = {};
    int m_length = 0;
};
