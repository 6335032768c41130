// The log-writer benchmark. Rounds alternate between the service's Logger (size cap included:
// with lines of this length the file is deleted and begun anew about every 27 lines) and a
// bare loop that opens the file for appending, writes the same composed line and closes it.
// Every line is timed on its own with the performance counter.
//   bench_logger <lines per round> <rounds of each kind>
// Prints, per kind: lines, total seconds, lines per second, per-line median and 95th
// percentile in microseconds. Exit code 0, 2 for a bad command line, 1 when a line was lost.
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

void roundOfLogger(long lines, double perMicro, Timings& timings)
{
    for (long i = 0; i < lines; ++i) {
        const long long start = now();
        Logger::getInstance()->write(kMessage);
        const double micros = static_cast<double>(now() - start) / perMicro;
        timings.lineMicros.push_back(micros);
        timings.totalSeconds += micros / 1e6;
    }
}

bool roundOfBare(long lines, double perMicro, const std::string& path, Timings& timings)
{
    const std::time_t moment = std::time(nullptr);
    const std::string line = composeLogLine(formatStamp(std::localtime(&moment)), kMessage);
    for (long i = 0; i < lines; ++i) {
        const long long start = now();
        const bool ok = appendBare(path, line);
        const double micros = static_cast<double>(now() - start) / perMicro;
        if (!ok) {
            return false;
        }
        timings.lineMicros.push_back(micros);
        timings.totalSeconds += micros / 1e6;
    }
    return true;
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
    const long lines = argc == 3 ? std::strtol(argv[1], nullptr, 10) : 0;
    const long rounds = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 0;
    if (lines <= 0 || rounds <= 0) {
        (void)std::fprintf(stderr, "usage: bench_logger <lines per round> <rounds of each kind>\n");
        return 2;
    }
    const double perMicro = ticksPerMicro();
    const std::string barePath = besideSelf("bare.log");
    Timings logger;
    Timings bare;
    // The kinds take turns going first, so that neither always runs on a warmer cache.
    for (long round = 0; round < rounds; ++round) {
        DeleteFileA(barePath.c_str());
        if (round % 2 == 0) {
            roundOfLogger(lines, perMicro, logger);
        }
        if (!roundOfBare(lines, perMicro, barePath, bare)) {
            (void)std::fprintf(stderr, "bench_logger: a bare append failed (%lu)\n", GetLastError());
            return 1;
        }
        if (round % 2 == 1) {
            roundOfLogger(lines, perMicro, logger);
        }
    }
    DeleteFileA(barePath.c_str());
    report("logger", logger);
    report("bare", bare);
    return 0;
}
