#pragma once
// Settings put into the registry the collector reads (HKEY_LOCAL_MACHINE) for
// one test, through the target's real registry, and taken away afterwards.
//
// Windows: the registry itself (under Wine, the test prefix's), written with
// RegCreateKeyExA / RegSetValueExA. Whatever "SOFTWARE\Belvane" held (in
// HKEY_LOCAL_MACHINE, and in HKEY_CURRENT_USER, where secrets are moved to)
// is saved at construction and removed, so every test starts without it,
// and is put back at destruction. Test suites using it carry the ctest resource lock
// "registry", as they share the one registry.
// Linux: a Registry Editor file in a temporary folder, named by
// QLO_REGISTRY_FILE for the object's lifetime; the user's own file is never
// read or written.
//
// Key paths are relative to HKEY_LOCAL_MACHINE ("SOFTWARE\Belvane\Orvanta").
// Texts are narrow text of the target. Not thread-safe.

#include <cstdint>
#include <memory>
#include <string>

class CTestRegistry {
public:
    CTestRegistry();
    ~CTestRegistry();
    CTestRegistry(const CTestRegistry&) = delete;
    CTestRegistry& operator=(const CTestRegistry&) = delete;

    // Each creates the key when needed and returns false when writing failed.
    bool SetString(const char* key, const char* name, const std::string& text);
    bool SetNumber(const char* key, const char* name, uint32_t number);
    bool SetBytes(const char* key, const char* name, const std::string& bytes);
    bool CreateKey(const char* key);

private:
    struct State;
    std::unique_ptr<State> m_state;
};
