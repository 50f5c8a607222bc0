#pragma once
// The commands of qlopms run in-process against the JIRA stand-in, with the
// databases and the connector's folder in a temporary folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "qlopms/jira_stand_in.h"
#include "qlopms/pms_commands.h"
#include "support/temp_folder.h"

class PmsToolTest : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directory(m_folder.File("DB")); }

    CPmsRun MakeRun(const std::string& serverUrl, const std::string& password = CJiraStandIn::kPassword) {
        m_out.str("");
        m_err.str("");
        CPmsRun run;
        run.settings.serverUrl = serverUrl;
        run.settings.userName = CJiraStandIn::kUser;
        run.settings.workFolder = m_folder.File("PMS");
        run.settings.dbFolderUtf8 = DbFolder();
        run.password = password;
        run.out = &m_out;
        run.err = &m_err;
        run.reloadRules = [this](std::string& message) {
            ++m_reloads;
            message = "asked";
            return 0;
        };
        run.now = 20240301120000;
        return run;
    }
    CPmsRun MakeRun() { return MakeRun(m_jira.Url()); }
    std::string DbFolder() const { return m_folder.File("DB"); }
    std::string Output() const { return m_out.str(); }
    std::string Errors() const { return m_err.str(); }

    CJiraStandIn m_jira;
    CTempFolder m_folder;
    std::ostringstream m_out;
    std::ostringstream m_err;
    int m_reloads = 0;
};
