// Feeds arbitrary descriptor files to the descriptor reader in the reads that fgets gives,
// under the sanitizers, and checks what the rest of the hotfix step relies on.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hotfix/hotfix_descriptor.h"

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        static_cast<void>(std::fprintf(stderr, "broken: %s\n", what));
        std::abort();
    }
}

// fgets with a 1024-byte buffer: pieces of at most 1023 characters, each ending after a line
// feed, the last one possibly earlier. Text mode's CR LF and Ctrl-Z are the run-time's affair.
std::vector<std::string> fgetsReads(const std::string& bytes)
{
    std::vector<std::string> reads;
    std::string read;
    for (const char c : bytes) {
        read += c;
        if (c == '\n' || read.size() == 1023) {
            reads.push_back(read);
            read.clear();
        }
    }
    if (!read.empty()) {
        reads.push_back(read);
    }
    return reads;
}

HotfixDescriptor descriptorOf(const std::vector<std::string>& reads, std::size_t count)
{
    HotfixDescriptor descriptor;
    for (std::size_t i = 0; i < count && i < reads.size(); ++i) {
        readDescriptorLine(descriptor, reads[i].c_str());
    }
    return descriptor;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::string> reads = fgetsReads(std::string(reinterpret_cast<const char*>(data), size));
    const HotfixDescriptor descriptor = descriptorOf(reads, reads.size());

    require(reads.size() >= 2 || descriptor.optType == -1, "no second line leaves -1");
    require(descriptor.version.size() <= 1022, "the version is one read less its last character");
    require(std::strlen(descriptor.version.c_str()) == descriptor.version.size(), "no NUL in the version");
    const HotfixDescriptor firstTwo = descriptorOf(reads, 2);
    require(firstTwo.version == descriptor.version && firstTwo.optType == descriptor.optType,
            "lines after the second change nothing");
    return 0;
}
