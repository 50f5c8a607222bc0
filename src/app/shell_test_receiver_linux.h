#pragma once
// A receiver of the event loop for tests: writes down what it is given, one
// word per call ("stop", "reload", "rules-on", "rules-off", "pause N",
// "resume", "clock",
// "locked", "unlocked", "lost", "restored").

#include <string>
#include <vector>

#include "app/event_loop_linux.h"

class CRecordingReceiver : public CShellReceiver {
public:
    void OnStopRequest() override { calls.push_back("stop"); }
    void OnReloadRules() override { calls.push_back("reload"); }
    void OnRulesSwitch(bool enabled) override { calls.push_back(enabled ? "rules-on" : "rules-off"); }
    void OnPause(int64_t seconds) override { calls.push_back("pause " + std::to_string(seconds)); }
    void OnResume() override { calls.push_back("resume"); }
    void OnForgetRequest() override { calls.push_back("forget"); }
    void OnClockChanged() override { calls.push_back("clock"); }
    void OnSessionLocked(bool locked) override { calls.push_back(locked ? "locked" : "unlocked"); }
    void OnSessionWatchLost(const std::string& why) override {
        calls.push_back("lost");
        lostBecause = why;
    }
    void OnSessionWatchRestored() override { calls.push_back("restored"); }

    std::vector<std::string> calls;
    std::string lostBecause;
};
