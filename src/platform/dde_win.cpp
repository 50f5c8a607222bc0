// The DDE service over the DDE management library (DDEML), client side.
#include <windows.h>
// windows.h first: ddeml.h needs its types.
#include <ddeml.h>

#include "platform/dde.h"

namespace {
// DDEML handles are pointers; the service hands them out as integers.
template <class Handle>
Handle ToDde(DdeHandle handle) {
    return reinterpret_cast<Handle>(handle);
}
template <class Handle>
DdeHandle FromDde(Handle handle) {
    return reinterpret_cast<DdeHandle>(handle);
}

// The service's callback type has the layout of PFNCALLBACK: a __stdcall
// function of two UINTs and six pointer-sized values returning a pointer-sized
// value, so DDEML can call it directly.
static_assert(sizeof(DdeHandle) == sizeof(HDDEDATA) && sizeof(DdeHandle) == sizeof(HCONV) &&
                  sizeof(DdeHandle) == sizeof(HSZ) && sizeof(std::uintptr_t) == sizeof(ULONG_PTR) &&
                  sizeof(unsigned) == sizeof(UINT),
              "DdeCallback must match PFNCALLBACK");
PFNCALLBACK ToPfnCallback(DdeCallback callback) {
    // Through the generic function pointer type, which the compiler accepts as
    // a deliberate conversion between function types.
    return reinterpret_cast<PFNCALLBACK>(reinterpret_cast<void (*)()>(callback));
}

class CWin32Dde : public CDdeService {
public:
    bool Initialize(uint32_t& instance, DdeCallback callback, uint32_t flags) override {
        DWORD id = 0;
        // DDEML would call a missing callback at the first transaction.
        if (!callback || DdeInitializeA(&id, ToPfnCallback(callback), flags, 0) != DMLERR_NO_ERROR) {
            instance = 0;
            return false;
        }
        instance = id;
        return true;
    }

    bool Uninitialize(uint32_t instance) override { return DdeUninitialize(instance) != FALSE; }

    DdeHandle CreateStringHandle(uint32_t instance, const char* text) override {
        if (!text) return 0;
        return FromDde(DdeCreateStringHandleA(instance, text, CP_WINANSI));
    }

    bool FreeStringHandle(uint32_t instance, DdeHandle string) override {
        return DdeFreeStringHandle(instance, ToDde<HSZ>(string)) != FALSE;
    }

    DdeHandle Connect(uint32_t instance, DdeHandle service, DdeHandle topic) override {
        // No conversation context: DDEML uses its default one.
        return FromDde(DdeConnect(instance, ToDde<HSZ>(service), ToDde<HSZ>(topic), nullptr));
    }

    bool Disconnect(DdeHandle conversation) override { return DdeDisconnect(ToDde<HCONV>(conversation)) != FALSE; }

    DdeHandle Request(DdeHandle conversation, DdeHandle item, uint32_t timeoutMs) override {
        return FromDde(DdeClientTransaction(nullptr, 0, ToDde<HCONV>(conversation), ToDde<HSZ>(item), CF_TEXT,
                                            XTYP_REQUEST, timeoutMs, nullptr));
    }

    uint32_t GetData(DdeHandle data, char* buffer, uint32_t size) override {
        // Without a buffer DdeGetData reports the size of the data instead of copying.
        if (!buffer || size == 0) return 0;
        return DdeGetData(ToDde<HDDEDATA>(data), reinterpret_cast<LPBYTE>(buffer), size, 0);
    }

    bool FreeDataHandle(DdeHandle data) override { return DdeFreeDataHandle(ToDde<HDDEDATA>(data)) != FALSE; }
};
}  // namespace

CDdeService& SystemDde() {
    static CWin32Dde dde;
    return dde;
}
