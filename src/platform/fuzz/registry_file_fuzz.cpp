// Feeds arbitrary bytes to the registry file parser: it must never crash,
// read out of bounds or leak, and a file it accepts must answer lookups.
#include <cstddef>
#include <cstdint>

#include "platform/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CRegistryFile file;
    if (file.Parse(data, size) == 1) {
        file.HasKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta");
        file.FindValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta", "Path");
        file.FindValue("HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta\\PMS", "");
    }
    return 0;
}
