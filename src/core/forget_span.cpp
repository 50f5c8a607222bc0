#include "core/forget_span.h"

#include <cinttypes>
#include <cstdio>

namespace {
constexpr char kRequestFileName[] = "QLOCollector.forget";
}  // namespace

bool ForgetReaches(const CForgetSpan& span, const CActivity& activity) {
    return activity.GetStartDate() <= span.to &&
           (activity.GetStartDate() >= span.from || activity.GetFinishDate() > span.from);
}

void ForgetActivity(CWinActivity& activity, bool whole) {
    activity.SetTitle("", 0);
    activity.ClearURL();
    activity.SetSiteId(0);
    if (!whole) return;
    activity.SetType(ActivityType::Offline);
    activity.SetSystemProcess();
    activity.SetAppId(0);
    activity.SetTask(0, 0);
}

int ForgetInCheckpoint(CCheckpointState& state, const CForgetSpan& span) {
    int changed = 0;
    for (CWinActivity& waiting : state.pending)
        if (ForgetReaches(span, waiting)) {
            ForgetActivity(waiting, span.whole);
            ++changed;
        }
    if (!state.hasCurrent || !ForgetReaches(span, state.current)) return changed;
    if (span.whole) {
        CWinActivity ended(state.current);
        ForgetActivity(ended, true);
        state.pending.push_back(ended);
        state.current.SetStartMoment(state.current.GetFinishMoment());
        state.current.UpdateDuration();
    }
    ForgetActivity(state.current, false);
    return changed + 1;
}

std::string ForgetRequestPath(const std::string& folder, char separator) {
    std::string path = folder;
    if (!path.empty() && path.back() != separator) path += separator;
    return path + kRequestFileName;
}

int WriteForgetRequest(const std::string& path, const CForgetSpan& span) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return 0;
    const bool written = std::fprintf(file, "forget %" PRId64 " %" PRId64 " %s\n", span.from, span.to,
                                      span.whole ? "whole" : "details") > 0;
    return std::fclose(file) == 0 && written ? 1 : 0;
}

int ReadForgetRequest(const std::string& path, CForgetSpan& span) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    char kind[8] = {};
    int64_t from = 0, to = 0;
    const int fields = std::fscanf(file, "forget %" SCNd64 " %" SCNd64 " %7s", &from, &to, kind);
    std::fclose(file);
    const std::string what = kind;
    if (fields != 3 || from > to || (what != "whole" && what != "details")) return -1;
    span = {from, to, what == "whole"};
    return 1;
}

bool RemoveForgetRequest(const std::string& path) {
    if (std::remove(path.c_str()) == 0) return true;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file) std::fclose(file);
    return file == nullptr;
}
