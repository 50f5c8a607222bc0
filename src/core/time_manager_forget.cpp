// CTimeManager's part in forgetting a span: the activities it still holds.
#include "core/forget_span.h"
#include "core/time_manager.h"
#include "platform/path.h"

namespace {
constexpr char kForgetRequested[] = "CTimeManager::ForgetRequested";
}  // namespace

int CTimeManager::ForgetRequested() {
    const std::string path = ForgetRequestPath(m_configuration.GetDbFolder(), kPathSeparator);
    CForgetSpan span;
    const int read = ReadForgetRequest(path, span);
    if (read == 0) return 0;
    if (read != 1) {
        LogError("%s (%i) The request %s holds no span", kForgetRequested, 1, path.c_str());
        RemoveForgetRequest(path);
        return -1;
    }
    int result = 1;
    {
        std::lock_guard<std::recursive_mutex> guard(m_lock);
        CCheckpointState state;
        state.hasCurrent = m_activityInProgress;
        state.current = m_lastActivity;
        for (const CPendingActivity& waiting : m_pending)
            state.pending.push_back(waiting.activity);
        const int changed = ForgetInCheckpoint(state, span);
        for (size_t i = 0; i < m_pending.size(); ++i)
            m_pending[i].activity = state.pending[i];
        for (size_t i = m_pending.size(); i < state.pending.size(); ++i)
            QueueForSaving(state.pending[i], false);
        if (m_activityInProgress) m_lastActivity = state.current;
        // A check that captured before this is dropped: its sample would
        // extend what was just forgotten.
        ++m_changes;
        if (!m_checkpoint.Path().empty()) {
            state.last = m_lastActivity.GetFinishMoment();
            state.pending.clear();
            for (const CPendingActivity& waiting : m_pending)
                state.pending.push_back(waiting.activity);
            if (m_checkpoint.Overwrite(state) != 1) {
                LogError("%s (%i) The checkpoint %s cannot be written", kForgetRequested, 2,
                         m_checkpoint.Path().c_str());
                m_checkpointDirty = true;
                result = -1;
            }
            m_checkpointFinish = state.last;
        }
        LogInfo(1, "%s %lld..%lld (%s): %i activities held changed", kForgetRequested,
                static_cast<long long>(span.from), static_cast<long long>(span.to), span.whole ? "whole" : "details",
                changed);
    }
    if (!RemoveForgetRequest(path)) {
        LogError("%s (%i) The request %s cannot be removed", kForgetRequested, 3, path.c_str());
        return -1;
    }
    return result;
}
