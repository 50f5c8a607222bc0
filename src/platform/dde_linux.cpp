// DDE on Linux: nobody to talk to (see dde.h). Instances and string handles
// are real enough for the client's bookkeeping: distinct, non-zero, and
// refused where Windows refuses them (no instance, no text, no handle).
#include <atomic>

#include "platform/dde.h"

namespace {
class CNoPartnerDde : public CDdeService {
public:
    bool Initialize(uint32_t& instance, DdeCallback callback, uint32_t) override {
        if (!callback) return false;
        instance = m_nextInstance.fetch_add(1);
        return true;
    }
    bool Uninitialize(uint32_t instance) override { return instance != 0; }
    DdeHandle CreateStringHandle(uint32_t instance, const char* text) override {
        if (instance == 0 || !text) return 0;
        return m_nextString.fetch_add(1);
    }
    bool FreeStringHandle(uint32_t instance, DdeHandle string) override { return instance != 0 && string != 0; }
    DdeHandle Connect(uint32_t, DdeHandle, DdeHandle) override { return 0; }
    bool Disconnect(DdeHandle conversation) override { return conversation != 0; }
    DdeHandle Request(DdeHandle, DdeHandle, uint32_t) override { return 0; }
    uint32_t GetData(DdeHandle, char*, uint32_t) override { return 0; }
    bool FreeDataHandle(DdeHandle data) override { return data != 0; }

private:
    std::atomic<uint32_t> m_nextInstance{1};
    std::atomic<DdeHandle> m_nextString{1};
};
}  // namespace

CDdeService& SystemDde() {
    static CNoPartnerDde dde;
    return dde;
}
