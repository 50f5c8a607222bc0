#pragma once
// The collector's own files as a report source: a CActivityReader (opened
// by the caller), its report queries, and the names of its catalogue.

#include <memory>

#include "qloreport/report_source.h"

class CLocalReportSource : public CReportSource {
public:
    explicit CLocalReportSource(CActivityReader& reader) : m_reader(reader) {}

    int Totals(ReportGrouping by, int64_t from, int64_t to, std::vector<CTotalsGroup>& groups) override;
    int VisitRows(int64_t from, int64_t to, const std::function<bool(const CDBActivity&)>& visit, RowColumns columns,
                  RowOrder order) override;
    std::string GroupName(ReportGrouping by, int32_t id) override;
    std::string ProgramName(int32_t appId) override;
    std::string SiteName(int32_t siteId) override;
    std::string TaskName(int32_t taskId) override;
    std::string RowText(const char* text) override;
    std::vector<std::string> MissingMonths() const override;
    // A reader of its own over the same folder.
    std::unique_ptr<CReportSource> ForAnotherThread() override;
    void Absorb(CReportSource& other) override;

private:
    explicit CLocalReportSource(std::unique_ptr<CActivityReader> own) : m_own(std::move(own)), m_reader(*m_own) {}

    std::unique_ptr<CActivityReader> m_own;  // the reader of a source for another thread
    CActivityReader& m_reader;
};
