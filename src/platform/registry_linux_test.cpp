// Where the Linux registry file is found, and what a missing or damaged file reads as.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/registry.h"
#include "support/scoped_environment_linux.h"
#include "support/temp_folder.h"

namespace {
const char kKey[] = "SOFTWARE\\Belvane\\Orvanta";
const std::string kValidFile =
    "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta]\n\"Path\"=\"/opt/x\"\n";

void WriteFile(const std::string& path, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

int QueryPath() {
    char data[64];
    uint32_t size = sizeof(data), type = 0;
    return Registry().QueryValue(REGISTRY_LOCAL_MACHINE, kKey, "Path", data, size, type);
}

TEST(RegistryFileService, MissingOrDamagedFilesReadAsMissingKeys) {
    CTempFolder temp;
    const std::string file = temp.File("registry.reg");
    CScopedEnvironment environment("QLO_REGISTRY_FILE", file.c_str());
    EXPECT_EQ(QueryPath(), -401);
    WriteFile(file, kValidFile);
    EXPECT_EQ(QueryPath(), 1);
    WriteFile(file, kValidFile + "\"Broken\"=dword:xyz\n");
    EXPECT_EQ(QueryPath(), -401);
    WriteFile(file, std::string(10000, '\0'));
    EXPECT_EQ(QueryPath(), -401);
    WriteFile(file, "");
    EXPECT_EQ(QueryPath(), -401);

    CScopedEnvironment folder("QLO_REGISTRY_FILE", temp.Str().c_str());  // a folder, not a file
    EXPECT_EQ(QueryPath(), -401);
}

TEST(RegistryFileService, FindsTheFileInTheUsersConfigurationFolder) {
    CTempFolder config, home;
    WriteFile(config.File("Belvane/Orvanta/registry.reg"), kValidFile);
    WriteFile(home.File(".config/Belvane/Orvanta/registry.reg"), kValidFile);
    CScopedEnvironment noFile("QLO_REGISTRY_FILE", nullptr);
    CScopedEnvironment homeVariable("HOME", home.Str().c_str());
    {
        CScopedEnvironment xdg("XDG_CONFIG_HOME", config.Str().c_str());
        EXPECT_EQ(QueryPath(), 1);
        std::filesystem::remove(home.File(".config/Belvane/Orvanta/registry.reg"));
        EXPECT_EQ(QueryPath(), 1);
    }
    {
        // A relative XDG_CONFIG_HOME is not valid: HOME's .config is used.
        CScopedEnvironment xdg("XDG_CONFIG_HOME", "relative");
        EXPECT_EQ(QueryPath(), -401);
        WriteFile(home.File(".config/Belvane/Orvanta/registry.reg"), kValidFile);
        EXPECT_EQ(QueryPath(), 1);
    }
    CScopedEnvironment xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(QueryPath(), 1);
    CScopedEnvironment noHome("HOME", nullptr);
    EXPECT_EQ(QueryPath(), -401);
}
}  // namespace
