#include "log/logger.h"

#include <cstdarg>
#include <ctime>
#include <utility>

#include "log/log_file.h"
#include "log/log_line.h"

namespace {

std::string stampFor(std::time_t moment)
{
    std::tm local = {};
    // localtime_s fails for moments its conversion cannot place (before 1970, after 3000).
    if (localtime_s(&local, &moment) != 0) {
        return formatStamp(nullptr);
    }
    return formatStamp(&local);
}

}  // namespace

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
    const std::optional<std::string> path = logFilePath();
    if (!path) {
        return;
    }
    capLogFile(*path);
    appendToLogFile(*path, composeLogLine(stampFor(now), message));
}

void Logger::writeFormat(const char* format, ...)
{
    std::va_list arguments;
    va_start(arguments, format);
    std::string message = formatLogMessage(format, arguments);
    va_end(arguments);
    write(std::move(message));
}
