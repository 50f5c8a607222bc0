// What QLOCollector.exe carries: a 32-bit GUI program whose resources other
// programs and the window code rely on (the class name, the menu commands,
// the accelerators, the About box and the manifest).
#include <gtest/gtest.h>

#include <cstring>

#include "collector_harness_win.h"

namespace {
class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override {
        m_module =
            LoadLibraryExA(CollectorPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(m_module, nullptr) << CollectorPath();
    }
    void TearDown() override {
        if (m_module) FreeLibrary(m_module);
    }

    std::string String(UINT id) {
        char text[100] = {};
        LoadStringA(m_module, id, text, sizeof(text));
        return text;
    }
    std::string Resource(UINT id, LPCSTR type) {
        HRSRC found = FindResourceA(m_module, MAKEINTRESOURCEA(id), type);
        if (!found) return "";
        const char* data = static_cast<const char*>(LockResource(LoadResource(m_module, found)));
        return data ? std::string(data, SizeofResource(m_module, found)) : "";
    }
    std::string MenuText(HMENU menu, UINT item, UINT flags) {
        char text[64] = {};
        GetMenuStringA(menu, item, text, sizeof(text), flags);
        return text;
    }

    HMODULE m_module = nullptr;
};

TEST_F(ProgramResources, ItIsAThirtyTwoBitGuiProgram) {
    const std::string image = ReadFileBytes(CollectorPath());
    ASSERT_GT(image.size(), sizeof(IMAGE_DOS_HEADER));
    IMAGE_DOS_HEADER dos;
    std::memcpy(&dos, image.data(), sizeof(dos));
    ASSERT_LT(static_cast<size_t>(dos.e_lfanew) + sizeof(IMAGE_NT_HEADERS32), image.size());
    IMAGE_NT_HEADERS32 headers;
    std::memcpy(&headers, image.data() + dos.e_lfanew, sizeof(headers));
    EXPECT_EQ(headers.FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(headers.OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
}

TEST_F(ProgramResources, TitleClassNameIconsAndManifest) {
    EXPECT_EQ(String(103), "QLO Collector");
    EXPECT_EQ(String(109), "QLOCollector");
    for (UINT icon : {107u, 108u}) {
        EXPECT_NE(FindResourceA(m_module, MAKEINTRESOURCEA(icon), RT_GROUP_ICON), nullptr) << icon;
    }
    const std::string manifest = Resource(1, RT_MANIFEST);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
    EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos) << manifest;
}

TEST_F(ProgramResources, MenuAndAboutAccelerators) {
    HMENU menu = LoadMenuA(m_module, MAKEINTRESOURCEA(109));
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    EXPECT_EQ(MenuText(menu, 0, MF_BYPOSITION), "&File");
    EXPECT_EQ(MenuText(menu, 1, MF_BYPOSITION), "&Help");
    EXPECT_EQ(MenuText(GetSubMenu(menu, 0), 105, MF_BYCOMMAND), "E&xit");
    EXPECT_EQ(MenuText(GetSubMenu(menu, 1), 104, MF_BYCOMMAND), "&About ...");
    DestroyMenu(menu);

    HACCEL table = LoadAcceleratorsA(m_module, MAKEINTRESOURCEA(109));
    ASSERT_NE(table, nullptr);
    ACCEL entries[4] = {};
    ASSERT_EQ(CopyAcceleratorTableA(table, entries, 4), 2);
    for (int i = 0; i < 2; ++i) {
        // Alt with a character, not a virtual key.
        EXPECT_EQ(entries[i].fVirt & (FVIRTKEY | FALT | FCONTROL | FSHIFT), FALT) << i;
        EXPECT_EQ(entries[i].cmd, 104) << i;
    }
    EXPECT_EQ(entries[0].key, '?');
    EXPECT_EQ(entries[1].key, '/');
    DestroyAcceleratorTable(table);
}

TEST_F(ProgramResources, AboutBoxTemplate) {
    const std::string dialog = Resource(103, RT_DIALOG);
    ASSERT_GE(dialog.size(), sizeof(DLGTEMPLATE));
    DLGTEMPLATE header;
    std::memcpy(&header, dialog.data(), sizeof(header));
    const DWORD frame = DS_MODALFRAME | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
    EXPECT_EQ(header.style & frame, frame);
    EXPECT_EQ(header.cdit, 4);
    EXPECT_EQ(header.cx, 230);
    EXPECT_EQ(header.cy, 75);
}
}  // namespace
