#pragma once
// A settings file in the Registry Editor export format, as the Linux target
// keeps its registry, parsed into keys and values.
//
// Accepted text: an optional byte-order mark (UTF-8, or UTF-16LE as the
// Registry Editor of Windows writes its exports); the first line
// "Windows Registry Editor Version 5.00"; then, one per line:
//   [HKEY_LOCAL_MACHINE\SOFTWARE\Key]   a key; the values below belong to it
//   [-HKEY_LOCAL_MACHINE\SOFTWARE\Key]  removes the key and its subkeys
//   "Name"="text"                       a string (\\ and \" are the escapes)
//   "Name"=dword:0000002a               a 32-bit number, 1 to 8 hex digits
//   "Name"=hex:01,02,ab                 binary bytes; a line ending in '\'
//                                       continues on the next one
//   "Name"=hex(7):41,00,00,00           bytes of the value type in brackets
//   "Name"=-                            removes the value
//   @="text"                            the key's default value (name "")
//   ; a comment, or a blank line
// Lines end in CR LF or LF; blanks around '=' and at both ends of a line are
// ignored. A later value of the same name replaces an earlier one, and a key
// named twice collects the values of both sections.
//
// Anything else makes the whole file malformed: nothing of it is kept, so a
// damaged file reads as missing keys instead of as partly wrong settings.
//
// Key paths and value names are compared as Windows compares them, without
// regard to the case of ASCII letters.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CRegistryFile {
public:
    struct Value {
        std::string name;           // "" for the default value
        uint32_t type = 0;          // REGISTRY_TYPE_... of platform/registry.h, or the number of hex(N)
        std::vector<uint8_t> data;  // strings keep their terminating NUL
    };

    // Replaces the content with the file's `size` bytes. 1 parsed; 0 malformed
    // (the content is then empty).
    int Parse(const void* bytes, size_t size);

    // True when a section names the key or one of its subkeys (a key exists
    // as soon as anything below it does). The path starts with the root's
    // name: "HKEY_LOCAL_MACHINE\SOFTWARE\Belvane".
    bool HasKey(std::string_view keyPath) const;
    // The named value of the key, or nullptr.
    const Value* FindValue(std::string_view keyPath, std::string_view valueName) const;

private:
    struct Key {
        std::string path;
        std::vector<Value> values;
    };

    bool ParseText(std::string_view text);
    // The index of the key, added (without values) when it is new.
    size_t KeyIndex(std::string_view path);
    void RemoveKey(std::string_view path);

    std::vector<Key> m_keys;
};
