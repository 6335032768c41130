// Feeds arbitrary descriptor files to the descriptor reader in the reads that fgets gives,
// under the sanitizers, and checks what the rest of the hotfix step relies on.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "hotfix/hotfix_descriptor.h"

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        static_cast<void>(std::fprintf(stderr, "broken: %s\n", what));
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    HotfixDescriptor descriptor;
    HotfixDescriptor afterTwoReads;
    std::size_t reads = 0;
    std::string read;
    // fgets with a 1024-byte buffer: pieces of at most 1023 characters, each ending after a line
    // feed, the last one possibly earlier. Text mode's CR LF and Ctrl-Z are the run-time's affair.
    for (std::size_t i = 0; i < size; ++i) {
        read += static_cast<char>(data[i]);
        if (data[i] == '\n' || read.size() == 1023 || i + 1 == size) {
            readDescriptorLine(descriptor, read.c_str());
            read.clear();
            if (++reads <= 2) {
                afterTwoReads = descriptor;
            }
        }
    }

    require(reads >= 2 || descriptor.optType == -1, "no second line leaves -1");
    require(descriptor.version.size() <= 1022, "the version is one read less its last character");
    require(std::strlen(descriptor.version.c_str()) == descriptor.version.size(), "no NUL in the version");
    require(afterTwoReads.version == descriptor.version && afterTwoReads.optType == descriptor.optType,
            "lines after the second change nothing");
    return 0;
}
