#include "log/logger.h"

#include <windows.h>

#include <cstdarg>
#include <ctime>
#include <utility>

#include "log/log_file.h"
#include "log/log_line.h"

Logger* Logger::getInstance()
{
    // Never deleted on purpose: the service thread may still be writing a line while the
    // main thread runs the exit-time clean-up, and the object holds no resources.
    static Logger* const instance = new Logger();
    return instance;
}

// The message is taken by value: callers hand it over and it is released here.
void Logger::write(std::string message)  // NOLINT(performance-unnecessary-value-param)
{
    const std::time_t now = std::time(nullptr);
    // The executable's path does not change while it runs: worked out once, not for every line.
    static const std::optional<std::wstring> path = logFileLocation();
    if (!path) {
        return;
    }
    appendToLogFile(*path, composeLogLine(localStamp(now), message));
}

void Logger::writeFormat(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::string message = formatLogMessage(format, arguments, GetACP() == CP_UTF8);
    va_end(arguments);
    write(std::move(message));
}
