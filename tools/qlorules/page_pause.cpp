#include "qlorules/page_pause.h"

#include <chrono>
#include <functional>
#include <nlohmann/json.hpp>
#include <thread>

#include "control/collector_control.h"
#include "control/pause_duration.h"
#include "core/pause_file.h"
#include "platform/path.h"
#include "sensing/time_stamp.h"

namespace {
constexpr int kConfirmWaitMs = 10000;
constexpr int kConfirmPollMs = 50;

CPauseState ReadPause(const std::string& folder) {
    CPauseFile file;
    file.SetFolder(folder, kPathSeparator);
    CPauseState state;
    file.Read(state);
    return state;
}

CPageAnswer StateAnswer(const CPauseState& state, int64_t now) {
    const bool paused = state.until > now;
    const nlohmann::json value = {
        {"paused", paused}, {"since", paused ? state.since : 0}, {"until", paused ? state.until : 0}};
    return {200, value.dump()};
}

// The text of a refusal may hold a part of what was typed: bytes that are
// not UTF-8 are replaced.
CPageAnswer Refused(int status, const std::string& why) {
    return {status, nlohmann::json{{"error", why}}.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)};
}

// Sends `command` and waits until the pause file shows that the collector
// took it (`taken`).
CPageAnswer Send(const std::string& folder, EControlCommand command, int64_t seconds, int64_t now,
                 const std::function<bool(const CPauseState&)>& taken) {
    std::string message;
    if (SendControlCommand(command, message, seconds) != 0) return Refused(503, message);
    for (int waited = 0;; waited += kConfirmPollMs) {
        const CPauseState state = ReadPause(folder);
        if (taken(state)) return StateAnswer(state, now);
        if (waited >= kConfirmWaitMs) return Refused(503, message + ", but the collector did not take it");
        std::this_thread::sleep_for(std::chrono::milliseconds(kConfirmPollMs));
    }
}
}  // namespace

CPageAnswer PauseState(const std::string& folder, int64_t now) { return StateAnswer(ReadPause(folder), now); }

CPageAnswer PauseRequest(const std::string& folder, const std::string& duration, int64_t now) {
    int64_t seconds = 0;
    std::string error;
    if (!duration.empty() && !ParsePauseDuration(duration, seconds, error)) return Refused(400, error);
    // The collector reckons the end from the moment it takes the request.
    const int64_t end = PauseEndOf(now, seconds);
    return Send(folder, EControlCommand::Pause, seconds, now,
                [&](const CPauseState& state) { return state.until >= end; });
}

CPageAnswer ResumeRequest(const std::string& folder, int64_t now) {
    return Send(folder, EControlCommand::Resume, 0, now, [&](const CPauseState& state) { return state.until <= now; });
}
