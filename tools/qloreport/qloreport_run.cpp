#include "qloreport/qloreport_run.h"

#include <string>
#include <vector>

#include "core/database_folder.h"
#include "platform/console.h"
#include "qloreport/day_report.h"
#include "qloreport/explain_report.h"
#include "qloreport/html_report.h"
#include "qloreport/report_options.h"
#include "qloreport/report_text.h"
#include "qloreport/totals_report.h"
#include "sensing/time_stamp.h"

namespace {
// The folder of the database files. False with the reason in `error`.
bool DataFolder(const CReportOptions& options, std::string& folder, std::string& error) {
    if (!options.dataFolder.empty()) {
        // Arguments arrive in the system's narrow text; file names are UTF-8.
        folder = DatabaseFolderOf(NarrowToUtf8(options.dataFolder.c_str()));
        return true;
    }
    const int found = CollectorDatabaseFolder(folder);
    if (found != 1)
        error = Concat("the collector's settings could not be read (", std::to_string(found),
                       "); name the folder of the database files with --data DIR");
    return found == 1;
}

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The names of the month files of the range that do not exist.
std::vector<std::string> MissingMonths(const CActivityReader& reader) {
    std::vector<std::string> missing;
    for (const CFileReport& file : reader.Files())
        if (file.state == FileState::Missing && file.month != 0) missing.push_back(FileName(file.path));
    return missing;
}

// Notes the months without a file; names every file that could not be used.
void ReportFiles(FILE* err, const CActivityReader& reader) {
    for (const CFileReport& file : reader.Files()) {
        switch (file.state) {
            case FileState::Read:
                break;
            case FileState::Missing:
                if (file.month != 0) {
                    std::fprintf(err, "qloreport: note: %s does not exist: nothing was recorded in %s\n",
                                 file.path.c_str(), FormatDate(file.month).substr(0, 7).c_str());
                } else {
                    std::fprintf(err, "qloreport: %s does not exist\n", file.path.c_str());
                }
                break;
            case FileState::NotDatabase:
                std::fprintf(err, "qloreport: %s is not a database (%s)\n", file.path.c_str(), file.detail.c_str());
                break;
            case FileState::NoTable:
                std::fprintf(err, "qloreport: %s has no table %s\n", file.path.c_str(), file.detail.c_str());
                break;
            case FileState::Unreadable:
                std::fprintf(err, "qloreport: %s cannot be read (%s)\n", file.path.c_str(), file.detail.c_str());
                break;
        }
    }
}

int RunCommand(const CReportOptions& options, CActivityReader& reader, FILE* out, FILE* err) {
    switch (options.command) {
        case ReportCommand::Totals: {
            CTotals totals;
            const int read = ReadTotals(reader, options.by, options.from, options.to, options.top, totals);
            if (read != 1) return read;
            WriteTotals(out, totals, options.format, MissingMonths(reader));
            return 1;
        }
        case ReportCommand::Day:
            return WriteDay(out, reader, options.from, options.format);
        case ReportCommand::Explain: {
            CDBActivity row;
            const int found =
                options.at != 0 ? reader.FindRowAt(options.at, row) : reader.FindLastRow(NowTimeStamp(), row);
            if (found != 1) return found;
            ExplainRow(out, reader, row);
            return 1;
        }
        case ReportCommand::Html: {
            if (options.output.empty()) return WriteHtmlReport(out, reader, options.from, options.to);
            FILE* file = std::fopen(options.output.c_str(), "wb");
            if (!file) {
                std::fprintf(err, "qloreport: cannot write %s\n", options.output.c_str());
                return 0;
            }
            // Everything is read before the first byte is written: a failed
            // read leaves no page behind.
            int written = WriteHtmlReport(file, reader, options.from, options.to);
            if (std::fclose(file) != 0 && written == 1) {
                std::fprintf(err, "qloreport: cannot write %s\n", options.output.c_str());
                written = 0;
            }
            if (written != 1) std::remove(options.output.c_str());
            return written;
        }
        case ReportCommand::Help:
            break;
    }
    return 1;
}
}  // namespace

int RunQloreport(int argc, const char* const* argv, FILE* out, FILE* err) {
    CReportOptions options;
    std::string error;
    if (!ParseReportOptions(argc, argv, NowTimeStamp(), options, error)) {
        std::fprintf(err, "qloreport: %s\n%s", error.c_str(), kQloreportUsage);
        return 2;
    }
    if (options.command == ReportCommand::Help) {
        std::fputs(kQloreportUsage, out);
        return 0;
    }
    std::string folder;
    if (!DataFolder(options, folder, error)) {
        std::fprintf(err, "qloreport: %s\n", error.c_str());
        return 1;
    }
    CActivityReader reader(folder);
    const int opened = reader.Open();
    int result = opened;
    if (opened == 1) {
        if (err == stderr && StandardErrorIsTerminal())
            reader.SetProgress([err](int done, int total) {
                if (total < 3) return;
                if (done < total)
                    std::fprintf(err, "\rqloreport: %d of %d months read", done, total);
                else
                    std::fprintf(err, "\r%40s\r", "");
                std::fflush(err);
            });
        result = RunCommand(options, reader, out, err);
    }
    ReportFiles(err, reader);
    if (result == 1) return 0;
    if (opened == 1 && result == CActivityReader::kNoData) {
        if (options.command == ReportCommand::Explain)
            std::fprintf(err, "qloreport: no stored activity %s%s\n", options.at ? "at " : "found",
                         options.at ? FormatMoment(options.at).c_str() : "");
        else
            std::fprintf(err, "qloreport: nothing recorded from %s to %s in %s\n", FormatDate(options.from).c_str(),
                         FormatDate(options.to).c_str(), folder.c_str());
    }
    return 1;
}
