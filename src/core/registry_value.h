#pragma once
// Reading one registry value into a buffer of the kind the caller asks for.
//
// The kind chooses the buffer and how the value is taken: a string of up to
// N characters (always terminated), a 32-bit number, or N raw bytes. Every
// value is read on its own: the key is opened, the value read and the key
// closed (through the registry service of platform/registry.h).
// Not thread-safe: one buffer per caller.

#include <cstdint>

#include "log/auto_char_buffer.h"
#include "platform/registry.h"

enum RegistryValueKind : int {
    REGISTRY_KIND_NONE = 0,  // not prepared
    REGISTRY_KIND_STRING = 1,
    REGISTRY_KIND_NUMBER = 2,
    REGISTRY_KIND_BINARY = 3,
};

class CRegistryValue {
public:
    // Makes the buffer fresh and zeroed: a string of up to `size` characters,
    // a number (`size` not used) or `size` bytes. Results: 1; -1 an unknown
    // kind, or a size below 1 for a string or bytes; -4 out of memory (the
    // buffer is then unprepared).
    int Prepare(RegistryValueKind kind, int size = 0);

    RegistryValueKind Kind() const { return m_kind; }
    // The string ("" until one is read), or nullptr for the other kinds.
    const char* Text() const { return m_kind == REGISTRY_KIND_STRING ? m_buffer.Get() : nullptr; }
    // The number (0 until one is read).
    uint32_t Number() const { return m_number; }
    // The bytes of a string or binary value, or nullptr for a number.
    const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(m_buffer.Get()); }
    // Characters of the string, bytes of the binary value; 4 for a number once read.
    int Length() const { return m_length; }

private:
    friend int ReadRegistryValue(RegistryRoot root, const char* keyPath, const char* valueName, CRegistryValue& value);

    RegistryValueKind m_kind = REGISTRY_KIND_NONE;
    CAutoCharBuffer m_buffer;  // strings get one spare byte, so a terminator always fits
    int m_capacity = 0;        // characters of a string, bytes of a binary value
    int m_length = 0;
    uint32_t m_number = 0;
};

// Reads `valueName` of the key `keyPath` under `root` into `value`, which
// must have been prepared. Results: 1 read; -1 an unknown root, a missing key
// path or value name, or an unprepared buffer; -8 an empty key path or value
// name; -401 the key cannot be opened; -402 the value cannot be read: it is
// missing, larger than the buffer, or, when a number is asked for, not a
// 32-bit number. On every failure the buffer stays as prepared (empty).
int ReadRegistryValue(RegistryRoot root, const char* keyPath, const char* valueName, CRegistryValue& value);
