// What QLOCollector.exe is as a file: a 32-bit GUI program (no console
// window) whose manifest asks to run with the rights of whoever starts it,
// and whose version resource holds the project version.
#include <gtest/gtest.h>

#include <cstring>

#include "collector_harness_win.h"

namespace {
TEST(ProgramImage, AThirtyTwoBitGuiProgramThatRunsAsItsInvoker) {
    const std::string image = ReadFileBytes(CollectorPath());
    ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER));
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, image.data(), sizeof(dos));
    ASSERT_LT(static_cast<size_t>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS32), image.size());
    IMAGE_NT_HEADERS32 headers;
    std::memcpy(&headers, image.data() + dos.e_lfanew, sizeof(headers));
    EXPECT_EQ(headers.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(headers.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    HMODULE module =
        LoadLibraryExA(CollectorPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
    const std::string manifest(data, SizeofResource(module, found));
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos) << manifest;
    FreeLibrary(module);

    std::string version(GetFileVersionInfoSizeA(CollectorPath().c_str(), nullptr), '\0');
    ASSERT_FALSE(version.empty());
    ASSERT_TRUE(GetFileVersionInfoA(CollectorPath().c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
    char* product = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(version.data(), "\\StringFileInfo\\040904b0\\ProductVersion",
                               reinterpret_cast<void**>(&product), &length));
    EXPECT_STREQ(product, QLO_TEST_VERSION);
}
}  // namespace
