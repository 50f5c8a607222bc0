#include "fakes/fake_folders.h"

#include <cstring>
#include <utility>

CFakeFolders::CFakeFolders(std::string appDataFolder) : m_appData(std::move(appDataFolder)) {
    m_previous = SetFolders(this);
}

CFakeFolders::~CFakeFolders() { SetFolders(m_previous); }

int CFakeFolders::GetAppDataFolder(char* buffer, unsigned size) {
    if (m_appData.empty() || m_appData.size() >= size) return 0;
    std::memcpy(buffer, m_appData.c_str(), m_appData.size() + 1);
    return 1;
}

unsigned CFakeFolders::GetLongPathName(const char* path, char* buffer, unsigned size) {
    return m_previous->GetLongPathName(path, buffer, size);
}

int CFakeFolders::CreateDirectory(const char* path) { return m_previous->CreateDirectory(path); }
