#include "qloreport/local_report_source.h"

#include "platform/text.h"
#include "output/report_names.h"

int CLocalReportSource::Totals(ReportGrouping by, int64_t from, int64_t to, std::vector<CTotalsGroup>& groups) {
    groups.clear();
    CBaseStorage<CGroupItem> rows;
    const int result = m_reader.Totals(by, from, to, rows);
    if (result != 1) return result;
    CGroupItem row;
    for (int32_t i = 0; i < rows.Count(); ++i)
        if (rows.Pop(i, row) == 1)
            groups.push_back({row.GetId(), ::GroupName(m_reader.Catalogue(), by, row.GetId()), row.GetDuration()});
    return 1;
}

int CLocalReportSource::VisitRows(int64_t from, int64_t to, const std::function<bool(const CDBActivity&)>& visit,
                                  RowColumns columns, RowOrder order) {
    return m_reader.VisitRows(from, to, visit, columns, order);
}

std::string CLocalReportSource::GroupName(ReportGrouping by, int32_t id) {
    return ::GroupName(m_reader.Catalogue(), by, id);
}

std::string CLocalReportSource::ProgramName(int32_t appId) {
    const CDBApp* app = m_reader.Catalogue().FindApp(appId);
    return app ? NarrowToUtf8(app->GetFileName()) : "";
}

std::string CLocalReportSource::SiteName(int32_t siteId) {
    const CDBSite* site = siteId > 0 ? m_reader.Catalogue().FindSite(siteId) : nullptr;
    return site ? NarrowToUtf8(site->GetURL()) : "";
}

std::string CLocalReportSource::TaskName(int32_t taskId) {
    if (taskId == 0) return "";
    const CDBTask* task = m_reader.Catalogue().FindTask(taskId);
    return task ? NarrowToUtf8(task->GetName()) : "#" + std::to_string(taskId);
}

std::string CLocalReportSource::RowText(const char* text) { return NarrowToUtf8(text); }

std::vector<std::string> CLocalReportSource::MissingMonths() const {
    std::vector<std::string> missing;
    for (const CFileReport& file : m_reader.Files())
        if (file.state == FileState::Missing && file.month != 0) {
            const size_t slash = file.path.find_last_of("\\/");
            missing.push_back(slash == std::string::npos ? file.path : file.path.substr(slash + 1));
        }
    return missing;
}

std::unique_ptr<CReportSource> CLocalReportSource::ForAnotherThread() {
    return std::unique_ptr<CReportSource>(new CLocalReportSource(std::make_unique<CActivityReader>(m_reader.Folder())));
}

void CLocalReportSource::Absorb(CReportSource& other) {
    if (auto* local = dynamic_cast<CLocalReportSource*>(&other)) m_reader.Absorb(local->m_reader);
}
