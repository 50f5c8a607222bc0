#include "qloreport/qloreport_run.h"

#include <string>
#include <vector>

#include "core/database_folder.h"
#include "output/report_text.h"
#include "platform/console.h"
#include "qloreport/day_report.h"
#include "qloreport/explain_report.h"
#include "qloreport/html_report.h"
#include "qloreport/local_report_source.h"
#include "qloreport/report_options.h"
#include "qloreport/server_report_source.h"
#include "qloreport/team_commands.h"
#include "qloreport/totals_report.h"
#include "sensing/time_stamp.h"
#include "teamstore/team_store_schema.h"
#include "teamstore/team_store_settings.h"

namespace {
// Notes the months without a file; names every file that could not be used.
void ReportFiles(FILE* err, const CActivityReader& reader) {
    for (const CFileReport& file : reader.Files()) {
        const std::string text = FileReportText(file);
        if (!text.empty()) std::fprintf(err, "qloreport: %s\n", text.c_str());
    }
}

int WriteHtml(const CReportOptions& options, CReportSource& source, FILE* out, FILE* err) {
    if (options.output.empty()) return WriteHtmlReport(out, source, options.from, options.to);
    FILE* file = std::fopen(options.output.c_str(), "wb");
    if (!file) {
        std::fprintf(err, "qloreport: cannot write %s\n", options.output.c_str());
        return 0;
    }
    // Everything is read before the first byte is written: a failed read
    // leaves no page behind.
    int written = WriteHtmlReport(file, source, options.from, options.to);
    if (std::fclose(file) != 0 && written == 1) {
        std::fprintf(err, "qloreport: cannot write %s\n", options.output.c_str());
        written = 0;
    }
    if (written != 1) std::remove(options.output.c_str());
    return written;
}

// The command on `source`; explain needs the local files' `reader`.
int RunCommand(const CReportOptions& options, CReportSource& source, CActivityReader* reader, FILE* out, FILE* err) {
    switch (options.command) {
        case ReportCommand::Totals: {
            CTotals totals;
            const int read = ReadTotals(source, options.by, options.from, options.to, options.top, totals);
            if (read != 1) return read;
            WriteTotals(out, totals, options.format, source.MissingMonths());
            return 1;
        }
        case ReportCommand::Day:
            return WriteDay(out, source, options.from, options.format);
        case ReportCommand::Explain: {
            CDBActivity row;
            const int found =
                options.at != 0 ? reader->FindRowAt(options.at, row) : reader->FindLastRow(NowTimeStamp(), row);
            if (found != 1) return found;
            ExplainRow(out, *reader, row);
            return 1;
        }
        default:  // html; the team commands never come here
            break;
    }
    return WriteHtml(options, source, out, err);
}

void NothingRecorded(const CReportOptions& options, const std::string& where, FILE* err) {
    if (options.command == ReportCommand::Explain)
        std::fprintf(err, "qloreport: no stored activity %s%s\n", options.at ? "at " : "found",
                     options.at ? FormatMoment(options.at).c_str() : "");
    else
        std::fprintf(err, "qloreport: nothing recorded from %s to %s in %s\n", FormatDate(options.from).c_str(),
                     FormatDate(options.to).c_str(), where.c_str());
}

int RunLocal(const CReportOptions& options, FILE* out, FILE* err) {
    std::string folder, error;
    if (ToolDatabaseFolder(options.dataFolder, folder, error) != 1) {
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
        CLocalReportSource source(reader);
        result = RunCommand(options, source, &reader, out, err);
    }
    ReportFiles(err, reader);
    if (result == 1) return 0;
    if (opened == 1 && result == CActivityReader::kNoData) NothingRecorded(options, folder, err);
    return 1;
}

int RunServer(const CReportOptions& options, FILE* out, FILE* err) {
    CTeamStoreTarget target;
    std::string error;
    const CTeamStoreSettings settings = ReadTeamStoreSettings();
    if (!settings.notice.empty()) std::fprintf(err, "qloreport: %s\n", settings.notice.c_str());
    const int resolved = ResolveTeamStoreTarget(options.server, settings, target, error);
    if (resolved != 1) {
        std::fprintf(err, "qloreport: %s\n", error.c_str());
        return resolved == -1 ? 1 : 2;
    }
    CPgConnection connection;
    if (connection.Connect(target.conninfo, target.password) != 1) {
        std::fprintf(err, "qloreport: cannot connect to the team store: %s\n", connection.ErrorText().c_str());
        return 1;
    }
    if (IsTeamCommand(options.command)) {
        std::string storeId;
        int version = 0;
        const int schema = CheckTeamStoreSchema(connection, storeId, version);
        if (schema == 1) return RunTeamCommand(options, connection, out, err);
        std::fprintf(err, "qloreport: %s\n", SchemaProblem(connection, schema, version, "qloreport").c_str());
        return 1;
    }
    CServerReportSource source(connection, options.user);
    int result = source.Open();
    if (result == 1) result = RunCommand(options, source, nullptr, out, err);
    if (result == 1) return 0;
    if (result == CActivityReader::kNoData)
        NothingRecorded(options, options.user.empty() ? "the team store" : "the team store for " + options.user, err);
    else
        std::fprintf(err, "qloreport: %s\n", source.Problem().c_str());
    return 1;
}
}  // namespace

int RunQloreport(int argc, const char* const* argv, FILE* out, FILE* err) {
    CCommandLine line;
    CReportOptions options;
    std::string error;
    const bool parsed = ParseReportOptions(argc, argv, NowTimeStamp(), line, options, error);
    if (const int answered = AnswerCommandLine(kQloreportCommandLine, parsed, line, error, out, err); answered >= 0)
        return answered;
    return options.server.empty() && !IsTeamCommand(options.command) ? RunLocal(options, out, err)
                                                                     : RunServer(options, out, err);
}
