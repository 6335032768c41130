#include "hotfix/text_mode_reads.h"

#include <cstddef>

namespace {

constexpr std::size_t kMaxReadChars = 1023;
constexpr char kCtrlZ = '\x1a';

std::string asTextMode(const std::string& bytes)
{
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && bytes[i] != kCtrlZ; ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') {
            continue;
        }
        text += bytes[i];
    }
    return text;
}

}  // namespace

std::vector<std::string> textModeReads(const std::string& bytes)
{
    std::vector<std::string> reads;
    std::string read;
    for (const char c : asTextMode(bytes)) {
        read += c;
        if (c == '\n' || read.size() == kMaxReadChars) {
            reads.push_back(read);
            read.clear();
        }
    }
    if (!read.empty()) {
        reads.push_back(read);
    }
    return reads;
}
