#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/test_support.h"
#include "events/event_report.h"

namespace {

// The ids of the executable's message table, as its resource lists them.
std::set<DWORD> messageIds(HMODULE module)
{
    std::set<DWORD> ids;
    const HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(11));
    const auto* table =
        static_cast<const MESSAGE_RESOURCE_DATA*>(LockResource(LoadResource(module, resource)));
    for (DWORD block = 0; table != nullptr && block < table->NumberOfBlocks; ++block) {
        for (DWORD id = table->Blocks[block].LowId; id <= table->Blocks[block].HighId; ++id) {
            ids.insert(id);
        }
    }
    return ids;
}

}  // namespace

// Every event renders through FormatMessage from the built executable with the strings the
// service reports it with, the repeat note last: each string appears, and the text asks for no
// string the service does not give. No message of the table is left without its row.
TEST(EventMessages, EveryEventRendersWithTheStringsItIsReportedWith)
{
    const struct {
        DWORD id;
        std::vector<std::string> strings;
    } rows[] = {
        {EVENT_SERVICE_REGISTERED, {"\"C:\\Qelt\\bin\\QeltWatch.exe\""}},
        {EVENT_SERVICE_STARTED, {"1.0.0", "C:\\Qelt\\bin"}},
        {EVENT_SERVICE_CALL_FAILED, {"CreateService", "1073"}},
        {EVENT_SERVICE_SETTING_FAILED, {"recovery", "87"}},
        {EVENT_PATH_UNREADABLE, {"122"}},
        {EVENT_PATH_NOT_IN_CODE_PAGE, {"C:\\Qelt ?????? ??\\bin\\QeltWatch.exe", "1252"}},
        {EVENT_COMPANION_NOT_LAUNCHED, {"C:\\Qelt\\bin\\qelt-monitor.exe", "2"}},
        {EVENT_COMPANION_KEEPS_ENDING, {"C:\\Qelt\\bin\\qelt-monitor.exe", "10", "1", "3221225477"}},
        {EVENT_COMPANION_NO_PROCESS, {"C:\\Qelt\\bin\\qelt-monitor.exe"}},
        {EVENT_PROCESS_NOT_OPENED, {"hotfixs.exe", "5"}},
        {EVENT_PROGRAM_NOT_TRUSTED, {"C:\\Apps", "can be renamed or re-permissioned by Everyone"}},
        {EVENT_DAILY_SUMMARY, {"1200", "3221225477", "2", "2026-12-08 14:24:32 UTC"}},
        {EVENT_HOTFIX_INSTALLER_RUN, {"C:\\Qelt\\hotfix\\hotfixs.exe", "2.1 beta", "doinstall"}},
        {EVENT_HOTFIX_NOT_TRUSTED, {"C:\\Qelt\\hotfix", "writable by Everyone"}},
        {EVENT_HOTFIX_UNKNOWN_OPERATION, {"C:\\Qelt\\hotfix\\hotfix.ini", "-1"}},
        {EVENT_HOTFIX_TOO_LONG, {"the install root C:\\rrr", "240", "239"}},
        {EVENT_HOTFIX_NOT_STARTED,
         {"C:\\Qelt\\hotfix\\hotfixs.exe", "\"C:\\Qelt\\hotfix\" 2.0 doinstall", "193"}},
        {EVENT_HOTFIX_REMOVED, {"C:\\Qelt\\hotfix"}},
        {EVENT_HOTFIX_CLEANUP_REFUSED, {"C:\\Q!\\hotfix", "its path holds '!'"}},
        {EVENT_HOTFIX_WAITING, {"C:\\Qelt\\hotfix\\hotfixs.exe"}},
        {EVENT_HOTFIX_STILL_RUNNING, {"C:\\Qelt\\hotfix\\hotfixs.exe"}},
    };
    const HMODULE executable =
        LoadLibraryExA(besideTests("QeltWatch.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(executable, nullptr);
    std::set<DWORD> unrendered = messageIds(executable);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.strings.front());
        std::vector<std::string> strings = row.strings;
        strings.emplace_back(" It stands for 2 events like it since the last report.");
        std::vector<const char*> arguments;
        for (const std::string& text : strings) {
            arguments.push_back(text.c_str());
        }
        arguments.resize(99, "<not given>");
        char text[2048] = {};
        const DWORD length =
            FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, executable, row.id, 0,
                           text, sizeof text, static_cast<va_list*>(static_cast<void*>(arguments.data())));
        const std::string rendered(text, length);
        ASSERT_GT(length, 0u) << std::hex << row.id;
        EXPECT_EQ(rendered.find("<not given>"), std::string::npos) << rendered;
        for (const std::string& given : strings) {
            EXPECT_NE(rendered.find(given), std::string::npos) << given << " in " << rendered;
        }
        unrendered.erase(row.id);
    }
    EXPECT_TRUE(unrendered.empty()) << std::hex << *unrendered.begin();
    FreeLibrary(executable);
}
