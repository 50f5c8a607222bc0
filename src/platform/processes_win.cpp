// The process service over the Win32 process APIs: a Tool Help snapshot with a
// full-image-name query, the PSAPI module list, a WMI Win32_Process query, and
// the account of a process's token.
#include <windows.h>
// windows.h first: the headers below need its types.
#include <oleauto.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <wbemidl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/processes.h"
#include "platform/text.h"

namespace {
// Closes a kernel handle when it goes out of scope.
class CHandle {
public:
    explicit CHandle(HANDLE handle) : m_handle(handle == INVALID_HANDLE_VALUE ? nullptr : handle) {}
    ~CHandle() {
        if (m_handle) CloseHandle(m_handle);
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;
    HANDLE Get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

private:
    HANDLE m_handle;
};

// Releases a COM interface when it goes out of scope.
template <class T>
class CComRef {
public:
    CComRef() = default;
    ~CComRef() { Release(); }
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;
    T* operator->() const { return m_pointer; }
    T** Out() {
        Release();
        return &m_pointer;
    }
    void Release() {
        if (m_pointer) m_pointer->Release();
        m_pointer = nullptr;
    }

private:
    T* m_pointer = nullptr;
};

// A BSTR made from narrow ANSI text, freed when it goes out of scope.
class CBstr {
public:
    explicit CBstr(const std::string& text) {
        const int wide = MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
        m_text = SysAllocStringLen(nullptr, static_cast<UINT>(wide > 0 ? wide : 0));
        if (m_text && wide > 0)
            MultiByteToWideChar(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), m_text, wide);
    }
    ~CBstr() { SysFreeString(m_text); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    BSTR Get() const { return m_text; }

private:
    BSTR m_text = nullptr;
};

// A VARIANT cleared when it goes out of scope.
class CVariant {
public:
    CVariant() { VariantInit(&m_value); }
    ~CVariant() { VariantClear(&m_value); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    VARIANT* Get() { return &m_value; }

private:
    VARIANT m_value;
};

// Copies a UTF-16 string as narrow ANSI text into `out`, cut to size - 1 bytes.
void CopyWideAsAnsi(const wchar_t* text, UINT length, char* out, unsigned size) {
    std::string ansi;
    if (text && length > 0) {
        const int bytes = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
        if (bytes > 0) {
            ansi.resize(static_cast<size_t>(bytes));
            WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), ansi.data(), bytes, nullptr, nullptr);
        }
    }
    CopyTextCut(out, ansi.c_str(), size - 1);
}

bool BuffersUsable(const char* fileName, unsigned fileNameSize, const char* path, unsigned pathSize) {
    return fileName && path && fileNameSize > 0 && pathSize > 0;
}

// Module handles of the module method: 256000 bytes, enough for every process.
constexpr size_t kModuleArrayBytes = 256000;

// Access of the full-image-name query: PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_QUERY_INFORMATION.
constexpr DWORD kQueryImageAccess = 0x1400;
// Access of the module and token queries: PROCESS_QUERY_INFORMATION | PROCESS_VM_READ.
constexpr DWORD kQueryAndReadAccess = 0x410;
// Win32_Process enumeration: WBEM_FLAG_DIRECT_READ | WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_SHALLOW.
constexpr LONG kProcessEnumFlags = 0x221;
// Room for an account or domain name.
constexpr DWORD kAccountNameChars = 512;

class CWin32Processes : public CProcessService {
public:
    int FindImageBySnapshot(char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                            uint32_t processId) override {
        if (!BuffersUsable(fileName, fileNameSize, path, pathSize)) return -1;
        CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (!snapshot) return 0;

        PROCESSENTRY32 entry{};
        entry.dwSize = sizeof(entry);
        bool listed = false;
        for (BOOL more = Process32First(snapshot.Get(), &entry); more; more = Process32Next(snapshot.Get(), &entry)) {
            if (entry.th32ProcessID == processId) {
                listed = true;
                break;
            }
        }
        if (!listed) return -52;
        CopyTextCut(fileName, entry.szExeFile, fileNameSize - 1);

        CHandle process(OpenProcess(kQueryImageAccess, FALSE, processId));
        if (!process) return -8;
        // The query may write into its buffer even when it fails (a path too
        // long for it), so it fills a scratch buffer and the caller's path
        // changes only when the whole path arrived.
        std::vector<char> fullPath(pathSize, '\0');
        DWORD capacity = pathSize;
        if (!QueryFullProcessImageNameA(process.Get(), 0, fullPath.data(), &capacity)) return -52;
        CopyTextCut(path, fullPath.data(), pathSize - 1);
        return 1;
    }

    int FindImageByModules(char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                           uint32_t processId) override {
        if (!BuffersUsable(fileName, fileNameSize, path, pathSize)) return -1;
        CHandle process(OpenProcess(kQueryAndReadAccess, FALSE, processId));
        if (!process) return -9;

        std::vector<HMODULE> modules(kModuleArrayBytes / sizeof(HMODULE), nullptr);
        const DWORD arrayBytes = static_cast<DWORD>(modules.size() * sizeof(HMODULE));
        DWORD needed = 0;
        int result = 1;
        HMODULE first = nullptr;
        if (!EnumProcessModules(process.Get(), &first, sizeof(first), &needed)) result = 0;
        if (EnumProcessModules(process.Get(), modules.data(), arrayBytes, &needed)) {
            if (!ReadModuleNames(process.Get(), modules[0], fileName, fileNameSize, path, pathSize)) result = 0;
        } else {
            // The plain list fails for some processes (a 64-bit one seen from
            // this 32-bit program, one still starting); the extended list may
            // still name the executable, though the method reports failure so
            // that the next method gets its turn.
            result = 0;
            if (EnumProcessModulesEx(process.Get(), modules.data(), arrayBytes, &needed, LIST_MODULES_ALL)) {
                ReadModuleNames(process.Get(), modules[0], fileName, fileNameSize, path, pathSize);
            }
        }
        return result;
    }

    int FindImageByWmi(const char* machine, char* fileName, unsigned fileNameSize, char* path, unsigned pathSize,
                       uint32_t processId) override {
        if (!BuffersUsable(fileName, fileNameSize, path, pathSize)) return -1;

        CComRef<IWbemLocator> locator;
        if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                    reinterpret_cast<void**>(locator.Out())))) {
            return -2;
        }
        const CBstr space(machine ? std::string(machine) + "\\root\\cimv2" : std::string("root\\cimv2"));
        CComRef<IWbemServices> services;
        if (FAILED(
                locator->ConnectServer(space.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.Out()))) {
            return -2;
        }
        const CBstr className("Win32_Process");
        CComRef<IEnumWbemClassObject> processes;
        if (FAILED(services->CreateInstanceEnum(className.Get(), kProcessEnumFlags, nullptr, processes.Out()))) {
            return -2;
        }

        for (;;) {
            CComRef<IWbemClassObject> object;
            ULONG returned = 0;
            processes->Next(static_cast<LONG>(WBEM_INFINITE), 1, object.Out(), &returned);
            if (returned == 0) return 0;

            CVariant id;
            if (FAILED(object->Get(L"ProcessId", 0, id.Get(), nullptr, nullptr)) || id.Get()->vt != VT_I4) return 0;
            if (static_cast<uint32_t>(id.Get()->lVal) != processId) continue;

            CVariant name;
            if (FAILED(object->Get(L"Name", 0, name.Get(), nullptr, nullptr)) || name.Get()->vt != VT_BSTR) return 0;
            CopyWideAsAnsi(name.Get()->bstrVal, SysStringLen(name.Get()->bstrVal), fileName, fileNameSize);

            CVariant executable;
            if (FAILED(object->Get(L"ExecutablePath", 0, executable.Get(), nullptr, nullptr))) return 0;
            // System processes have no path (VT_NULL): the path stays as it was.
            if (executable.Get()->vt == VT_BSTR) {
                CopyWideAsAnsi(executable.Get()->bstrVal, SysStringLen(executable.Get()->bstrVal), path, pathSize);
            }
            return 1;
        }
    }

    int GetProcessAccount(uint32_t processId, char* domain, unsigned domainSize, char* name,
                          unsigned nameSize) override {
        if (processId == 0 || !domain || !name || domainSize == 0 || nameSize == 0) return 0;
        CHandle process(OpenProcess(kQueryAndReadAccess, FALSE, processId));
        if (!process) return 0;
        return GetTokenUser(process.Get(), domain, domainSize, name, nameSize);
    }

    uint32_t GetCurrentProcessId() override { return ::GetCurrentProcessId(); }

private:
    // The executable's base name and full file name from its module handle.
    // Each name is read into a scratch buffer and copied only when it arrived,
    // so a failed read leaves the caller's text as it was.
    static bool ReadModuleNames(HANDLE process, HMODULE module, char* fileName, unsigned fileNameSize, char* path,
                                unsigned pathSize) {
        std::vector<char> scratch(std::max(fileNameSize, pathSize) + 1, '\0');
        bool complete = true;
        if (GetModuleBaseNameA(process, module, scratch.data(), fileNameSize) > 0) {
            CopyTextCut(fileName, scratch.data(), fileNameSize - 1);
        } else {
            complete = false;
        }
        std::fill(scratch.begin(), scratch.end(), '\0');
        if (GetModuleFileNameExA(process, module, scratch.data(), pathSize) > 0) {
            CopyTextCut(path, scratch.data(), pathSize - 1);
        } else {
            complete = false;
        }
        return complete;
    }

    // The domain and account name of the user of the process's token; 1 when
    // both were found (the buffers are untouched otherwise), else 0.
    static int GetTokenUser(HANDLE process, char* domain, unsigned domainSize, char* name, unsigned nameSize) {
        HANDLE rawToken = nullptr;
        if (!OpenProcessToken(process, TOKEN_QUERY, &rawToken)) return 0;
        CHandle token(rawToken);

        DWORD bytes = 0;
        if (GetTokenInformation(token.Get(), TokenUser, nullptr, 0, &bytes) ||
            GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) {
            return 0;
        }
        void* information = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
        if (!information) return 0;

        int result = 0;
        if (GetTokenInformation(token.Get(), TokenUser, information, bytes, &bytes)) {
            char account[kAccountNameChars] = {};
            char accountDomain[kAccountNameChars] = {};
            DWORD accountChars = kAccountNameChars;
            DWORD domainChars = kAccountNameChars;
            SID_NAME_USE use;
            if (LookupAccountSidA(nullptr, static_cast<TOKEN_USER*>(information)->User.Sid, account, &accountChars,
                                  accountDomain, &domainChars, &use)) {
                CopyTextCut(domain, accountDomain, domainSize - 1);
                CopyTextCut(name, account, nameSize - 1);
                result = 1;
            }
        }
        HeapFree(GetProcessHeap(), 0, information);
        return result;
    }
};

static_assert(sizeof(PROCESSENTRY32) == 296, "the snapshot walks the narrow 296-byte process entries");
}  // namespace

CProcessService& SystemProcesses() {
    static CWin32Processes processes;
    return processes;
}
