#include "log/auto_char_buffer.h"

#include <new>

int CAutoCharBuffer::Allocate(int size, bool replace) {
    if (size < 1) return -1;
    if (m_data && !replace) return -7;
    Release();
    m_data = new (std::nothrow) char[static_cast<unsigned>(size) + 1]();
    if (!m_data) return -4;
    m_size = size;
    return 1;
}

void CAutoCharBuffer::Release() {
    delete[] m_data;
    m_data = nullptr;
    m_size = -1;
}
