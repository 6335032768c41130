#include "trust/process_rules.h"

#include <gtest/gtest.h>

namespace {

constexpr const char* kSystem = "S-1-5-18";
constexpr const char* kUser = "S-1-5-21-1-2-3-1001";
constexpr const char* kCompanion = "C:\\Program Files\\Qelt\\bin\\qelt-monitor.exe";

}  // namespace

// Who runs the process and where its image lies, in; whether its image may then be compared with
// the program's file, out.
TEST(ProcessRules, OnlyTrustedAccountsOnLocalVolumes)
{
    const struct {
        const char* account;
        bool administratorsEnabled;
        const char* image;
        bool ours;
    } cases[] = {
        {kSystem, false, kCompanion, true},
        {kUser, true, kCompanion, true},
        {kUser, false, kCompanion, false},
        {"", true, kCompanion, false},
        {"S-1-5-19", false, kCompanion, false},
        {kSystem, false, "", false},
        {kSystem, false, "\\\\?\\C:\\Program Files\\Qelt\\bin\\qelt-monitor.exe", true},
        {kSystem, false, "c:\\q\\bin\\qelt-monitor.exe", true},
        {kSystem, false, "\\\\host\\share\\bin\\qelt-monitor.exe", false},
        {kUser, true, "\\\\?\\UNC\\host\\share\\qelt-monitor.exe", false},
        {kSystem, false, "\\\\host@SSL\\DavWWWRoot\\qelt-monitor.exe", false},
        {kSystem, false, "\\\\.\\C:\\q\\qelt-monitor.exe", false},
        {kSystem, false, "\\Device\\Mup\\host\\share\\qelt-monitor.exe", false},
        {kSystem, false, "\\??\\C:\\q\\qelt-monitor.exe", false},
        {kSystem, false, "C:qelt-monitor.exe", false},
        {kSystem, false, "1:\\qelt-monitor.exe", false},
        {kSystem, false, "C:", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.account) + (c.administratorsEnabled ? " elevated " : " ") + c.image);
        EXPECT_EQ(mayBeOurProcess({c.account, c.administratorsEnabled, c.image}, kSystem), c.ours);
    }
}
