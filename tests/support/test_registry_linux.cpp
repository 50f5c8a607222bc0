// The test registry of the Linux target: a Registry Editor file in a
// temporary folder, rewritten after every change the way the Registry
// Editor of Windows exports it (CR LF lines, long binary values wrapped).
#include <cstdio>
#include <fstream>
#include <vector>

#include "support/scoped_environment_linux.h"
#include "support/temp_folder.h"
#include "support/test_registry.h"

namespace {
constexpr uint32_t kString = 1, kBinary = 3, kDword = 4;

struct Value {
    std::string name;
    uint32_t type;
    std::string data;  // the text, or the bytes
};

struct Key {
    std::string path;
    std::vector<Value> values;
};

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string HexBytes(const std::string& bytes) {
    std::string out = "hex:";
    char digits[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof(digits), "%02x", static_cast<unsigned char>(bytes[i]));
        out += digits;
        if (i + 1 < bytes.size()) out += (i % 20 == 19) ? ",\\\r\n  " : ",";
    }
    return out;
}
}  // namespace

struct CTestRegistry::State {
    CTempFolder folder;
    std::string file = folder.File("registry.reg");
    std::vector<Key> keys;
    bool created = Write();  // a file without keys from the start
    CScopedEnvironment environment{"QLO_REGISTRY_FILE", file.c_str()};

    Key& KeyAt(const char* path) {
        for (Key& key : keys)
            if (key.path == path) return key;
        return keys.emplace_back(Key{path, {}});
    }

    bool Set(const char* path, const char* name, uint32_t type, std::string data) {
        Key& key = KeyAt(path);
        for (Value& value : key.values)
            if (value.name == name) {
                value = Value{name, type, std::move(data)};
                return Write();
            }
        key.values.push_back(Value{name, type, std::move(data)});
        return Write();
    }

    bool Write() const {
        std::string text = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n";
        for (const Key& key : keys) {
            text += "\r\n[HKEY_LOCAL_MACHINE\\" + key.path + "]\r\n";
            for (const Value& value : key.values) {
                text += Quoted(value.name) + "=";
                if (value.type == kString) {
                    text += Quoted(value.data);
                } else if (value.type == kDword) {
                    char number[16];
                    std::snprintf(number, sizeof(number), "dword:%08x", static_cast<unsigned>(std::stoul(value.data)));
                    text += number;
                } else {
                    text += HexBytes(value.data);
                }
                text += "\r\n";
            }
        }
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out << text;
        return static_cast<bool>(out.flush());
    }
};

CTestRegistry::CTestRegistry() : m_state(std::make_unique<State>()) {}

CTestRegistry::~CTestRegistry() = default;

bool CTestRegistry::SetString(const char* key, const char* name, const std::string& text) {
    return m_state->Set(key, name, kString, text);
}

bool CTestRegistry::SetNumber(const char* key, const char* name, uint32_t number) {
    return m_state->Set(key, name, kDword, std::to_string(number));
}

bool CTestRegistry::SetBytes(const char* key, const char* name, const std::string& bytes) {
    return m_state->Set(key, name, kBinary, bytes);
}

bool CTestRegistry::CreateKey(const char* key) {
    m_state->KeyAt(key);
    return m_state->Write();
}
