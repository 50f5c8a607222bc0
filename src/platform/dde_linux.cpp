// Placeholder until the real DDE service lands: nobody answers.
#include "platform/dde.h"

namespace {
class CNoDde : public CDdeService {
public:
    bool Initialize(uint32_t& instance, DdeCallback, uint32_t) override {
        instance = 1;
        return true;
    }
    bool Uninitialize(uint32_t) override { return true; }
    DdeHandle CreateStringHandle(uint32_t, const char*) override { return 1; }
    bool FreeStringHandle(uint32_t, DdeHandle) override { return true; }
    DdeHandle Connect(uint32_t, DdeHandle, DdeHandle) override { return 0; }
    bool Disconnect(DdeHandle) override { return true; }
    DdeHandle Request(DdeHandle, DdeHandle, uint32_t) override { return 0; }
    uint32_t GetData(DdeHandle, char*, uint32_t) override { return 0; }
    bool FreeDataHandle(DdeHandle) override { return true; }
};
}  // namespace

CDdeService& SystemDde() {
    static CNoDde dde;
    return dde;
}
