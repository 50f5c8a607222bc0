#pragma once
// The DDE service: the client side of the DDE management library, the way a
// browser is asked for the address it shows.
//
// Windows: DDEML (DdeInitializeA, DdeConnect, DdeClientTransaction, ...), one
// instance per thread. Linux: no program answers DDE; instances open and
// string handles are made as on Windows, but no conversation is ever
// established and no request brings data, so the browser readers recognise
// a browser and read no address.
// Tests replace the service with a fake (tests/fakes/) through SetDde.

#include <cstdint>

// HCONV, HSZ and HDDEDATA on Windows; 0 is none.
using DdeHandle = std::uintptr_t;

#ifdef _WIN32
#define QLO_DDE_CALLBACK __stdcall
#else
#define QLO_DDE_CALLBACK
#endif
// The DDEML callback (PFNCALLBACK on Windows).
using DdeCallback = DdeHandle(QLO_DDE_CALLBACK*)(unsigned type, unsigned format, DdeHandle conversation,
                                                 DdeHandle string1, DdeHandle string2, DdeHandle data,
                                                 std::uintptr_t data1, std::uintptr_t data2);

class CDdeService {
public:
    virtual ~CDdeService() = default;

    // Opens a DDE instance for the calling thread; `instance` receives its id.
    virtual bool Initialize(uint32_t& instance, DdeCallback callback, uint32_t flags) = 0;
    virtual bool Uninitialize(uint32_t instance) = 0;
    // A string handle in the ANSI code page; 0 on failure.
    virtual DdeHandle CreateStringHandle(uint32_t instance, const char* text) = 0;
    virtual bool FreeStringHandle(uint32_t instance, DdeHandle string) = 0;
    // A conversation with `service` on `topic` (0: any); 0 when nobody answers.
    virtual DdeHandle Connect(uint32_t instance, DdeHandle service, DdeHandle topic) = 0;
    virtual bool Disconnect(DdeHandle conversation) = 0;
    // A synchronous request of `item` as text (CF_TEXT), waiting at most
    // `timeoutMs`; the data handle of the reply, or 0 when none came.
    virtual DdeHandle Request(DdeHandle conversation, DdeHandle item, uint32_t timeoutMs) = 0;
    // Copies at most `size` bytes of the reply, from its start; returns the count copied.
    virtual uint32_t GetData(DdeHandle data, char* buffer, uint32_t size) = 0;
    virtual bool FreeDataHandle(DdeHandle data) = 0;
};

CDdeService& Dde();
CDdeService* SetDde(CDdeService* dde);
