#include "core/registry_value.h"

#include <cstring>

int CRegistryValue::Prepare(RegistryValueKind kind, int size) {
    m_length = 0;
    m_number = 0;
    m_capacity = 0;
    m_kind = REGISTRY_KIND_NONE;
    m_buffer.Release();
    switch (kind) {
        case REGISTRY_KIND_NUMBER:
            break;
        case REGISTRY_KIND_STRING:
        case REGISTRY_KIND_BINARY: {
            if (size < 1) return -1;
            // A string takes its terminator as the registry stores it, plus a
            // spare byte for one the registry may have left out.
            const int result = m_buffer.Allocate(kind == REGISTRY_KIND_STRING ? size + 1 : size, true);
            if (result != 1) return result;
            break;
        }
        default:
            return -1;
    }
    m_kind = kind;
    m_capacity = size;
    return 1;
}

int ReadRegistryValue(RegistryRoot root, const char* keyPath, const char* valueName, CRegistryValue& value) {
    if (root != REGISTRY_LOCAL_MACHINE || !keyPath || !valueName || value.m_kind == REGISTRY_KIND_NONE) return -1;
    if (!*keyPath || !*valueName) return -8;

    uint32_t type = REGISTRY_TYPE_NONE;
    if (value.m_kind == REGISTRY_KIND_NUMBER) {
        uint8_t bytes[4] = {};
        uint32_t size = sizeof(bytes);
        const int result = Registry().QueryValue(root, keyPath, valueName, bytes, size, type);
        if (result != 1) return result;
        // Anything but a 32-bit number (a string "1", a short binary value)
        // would give a meaningless number.
        if (type != REGISTRY_TYPE_DWORD || size != sizeof(bytes)) return -402;
        value.m_number =
            static_cast<uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) | static_cast<uint32_t>(bytes[3]) << 24;
        value.m_length = sizeof(bytes);
        return 1;
    }

    char* data = value.m_buffer.Get();
    const bool isString = value.m_kind == REGISTRY_KIND_STRING;
    const uint32_t capacity = static_cast<uint32_t>(value.m_capacity) + (isString ? 1 : 0);
    uint32_t size = capacity;
    const int result = Registry().QueryValue(root, keyPath, valueName, data, size, type);
    if (result != 1 || size > capacity) {
        // A value too large for the buffer may have been written in part.
        std::memset(data, 0, capacity);
        return result != 1 ? result : -402;
    }
    if (isString) {
        value.m_length = static_cast<int>(strnlen(data, static_cast<size_t>(value.m_capacity)));
        std::memset(data + value.m_length, 0, capacity + 1 - static_cast<uint32_t>(value.m_length));
    } else {
        value.m_length = static_cast<int>(size);
    }
    return 1;
}
