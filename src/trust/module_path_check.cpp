#include "trust/module_path_check.h"

#include <windows.h>

#include <string>

#include "common/module_path.h"
#include "common/names.h"
#include "events/event_report.h"
#include "log/logger.h"

bool modulePathHoldsInCodePage()
{
    std::string path;
    unsigned long error = 0;
    if (readModulePath(path, error) || error != ERROR_NO_UNICODE_TRANSLATION) {
        return true;
    }
    char narrow[kPathBufferSize] = {};
    GetModuleFileNameA(nullptr, narrow, kPathBufferSize - 1);
    const unsigned codePage = GetACP();
    Logger::getInstance()->writeFormat("code page %u cannot hold the program path: %s", codePage, narrow);
    reportEvent(EVENT_PATH_NOT_IN_CODE_PAGE, {narrow, std::to_string(codePage)});
    return false;
}
