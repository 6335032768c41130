// The log-writer benchmark. Three writers take turns line by line, so that all see the same
// load on the machine, and every line is timed on its own with the performance counter:
//   logger  the service's Logger (size cap included: with lines of this length the file is
//           begun anew about every 27 lines);
//   bare    open for appending, write the same composed line, close;
//   capped  the bare loop plus the least a size cap needs: the file's size asked by name, and
//           the file deleted once it is past 2048 bytes.
//   bench_logger <lines of each kind>
// Prints, per kind: lines, total seconds, lines per second, per-line median and 95th
// percentile in microseconds. Exit code 0, 2 for a bad command line, 1 when a bare line was
// lost (the Logger's losses are silent by design; the driver checks its file).
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "log/log_line.h"
#include "log/logger.h"

namespace {

const char* const kMessage = "qelt-monitor start success!";

struct Timings {
    std::vector<double> lineMicros;
    double totalSeconds = 0;
};

double ticksPerMicro()
{
    LARGE_INTEGER frequency = {};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1e6;
}

long long now()
{
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

std::string besideSelf(const char* name)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string text(path, length);
    return text.substr(0, text.find_last_of('\\') + 1) + name;
}

bool appendBare(const std::string& path, const std::string& line)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == line.size();
}

void timeLoggerLine(double perMicro, Timings& timings)
{
    const long long start = now();
    Logger::getInstance()->write(kMessage);
    const double micros = static_cast<double>(now() - start) / perMicro;
    timings.lineMicros.push_back(micros);
    timings.totalSeconds += micros / 1e6;
}

void capBare(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes = {};
    if (GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes) &&
        (attributes.nFileSizeHigh != 0 || attributes.nFileSizeLow > 2048)) {
        DeleteFileA(path.c_str());
    }
}

bool timeBareLine(double perMicro, const std::string& path, const std::string& line, bool capped,
                  Timings& timings)
{
    const long long start = now();
    if (capped) {
        capBare(path);
    }
    const bool ok = appendBare(path, line);
    const double micros = static_cast<double>(now() - start) / perMicro;
    timings.lineMicros.push_back(micros);
    timings.totalSeconds += micros / 1e6;
    return ok;
}

// Nearest rank: the smallest value with at least that fraction of the values at or below it.
double percentile(std::vector<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(fraction * static_cast<double>(values.size()));
    const std::size_t index = rank < 1 ? 0 : static_cast<std::size_t>(rank) - 1;
    return values[index];
}

void report(const char* kind, const Timings& timings)
{
    const double count = static_cast<double>(timings.lineMicros.size());
    std::printf("%s lines=%zu seconds=%.3f lines_per_second=%.1f median_us=%.1f p95_us=%.1f\n", kind,
                timings.lineMicros.size(), timings.totalSeconds, count / timings.totalSeconds,
                percentile(timings.lineMicros, 0.5), percentile(timings.lineMicros, 0.95));
}

}  // namespace

int main(int argc, char** argv)
{
    const long lines = argc == 2 ? std::strtol(argv[1], nullptr, 10) : 0;
    if (lines <= 0) {
        (void)std::fprintf(stderr, "usage: bench_logger <lines of each kind>\n");
        return 2;
    }
    const double perMicro = ticksPerMicro();
    const std::string barePath = besideSelf("bare.log");
    const std::string cappedPath = besideSelf("capped.log");
    const std::time_t moment = std::time(nullptr);
    const std::string line = composeLogLine(formatStamp(std::localtime(&moment)), kMessage);
    DeleteFileA(barePath.c_str());
    DeleteFileA(cappedPath.c_str());
    Timings logger;
    Timings bare;
    Timings capped;
    bool ok = true;
    // The kinds take turns going first, so that none always follows the same one.
    for (long i = 0; i < lines && ok; ++i) {
        switch (i % 3) {
        case 0:
            timeLoggerLine(perMicro, logger);
            ok = timeBareLine(perMicro, barePath, line, false, bare) &&
                 timeBareLine(perMicro, cappedPath, line, true, capped);
            break;
        case 1:
            ok = timeBareLine(perMicro, barePath, line, false, bare) &&
                 timeBareLine(perMicro, cappedPath, line, true, capped);
            timeLoggerLine(perMicro, logger);
            break;
        default:
            ok = timeBareLine(perMicro, cappedPath, line, true, capped);
            timeLoggerLine(perMicro, logger);
            ok = ok && timeBareLine(perMicro, barePath, line, false, bare);
            break;
        }
    }
    DeleteFileA(barePath.c_str());
    DeleteFileA(cappedPath.c_str());
    if (!ok) {
        (void)std::fprintf(stderr, "bench_logger: a bare append failed (%lu)\n", GetLastError());
        return 1;
    }
    report("logger", logger);
    report("bare", bare);
    report("capped", capped);
    return 0;
}
