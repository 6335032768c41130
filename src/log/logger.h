#pragma once

#include <string>

#if defined(__MINGW32__)
#define QELT_PRINTF(formatIndex, firstArgument) \
    __attribute__((format(gnu_printf, formatIndex, firstArgument)))
#else
#define QELT_PRINTF(formatIndex, firstArgument) __attribute__((format(printf, formatIndex, firstArgument)))
#endif

// The service's one log writer. Each line is a self-contained operation on QeltService.log
// beside the executable: cap the size, append the whole line with one write, close. Nothing
// is held between lines, no lock is taken, and failures are silent: a line that cannot be
// written is lost and the caller goes on.
class Logger {
public:
    // The process-wide instance, created on the first call. It lives until the process ends,
    // so that a line from the service thread during the exit-time clean-up is still safe.
    static Logger* getInstance();

    void write(std::string message);
    void writeFormat(const char* format, ...) QELT_PRINTF(2, 3);

    virtual ~Logger() = default;

private:
    Logger() = default;
};
