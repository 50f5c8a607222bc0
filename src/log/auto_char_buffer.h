#pragma once
// An owning, zero-filled character buffer: a pointer and a size.
//
// Allocate(size, replace) results: 1 allocated; -1 size below 1; -7 memory is
// already held and replacing was not allowed; -4 out of memory. The buffer
// holds size + 1 characters, so a text of `size` characters keeps its
// terminator. Release() frees it and leaves the size at -1.

class CAutoCharBuffer {
public:
    CAutoCharBuffer() = default;
    ~CAutoCharBuffer() { Release(); }
    CAutoCharBuffer(const CAutoCharBuffer&) = delete;
    CAutoCharBuffer& operator=(const CAutoCharBuffer&) = delete;

    int Allocate(int size, bool replace);
    void Release();

    char* Get() { return m_data; }
    const char* Get() const { return m_data; }
    // The size asked of Allocate (the buffer holds one more character), or -1.
    int Size() const { return m_size; }

private:
    char* m_data = nullptr;
    int m_size = -1;
};
