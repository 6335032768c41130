// Feeds arbitrary descriptor files, read as the C run-time's text mode would, through the
// descriptor reader and the installer's parameters, and checks what the rest of the hotfix
// step relies on.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "hotfix/hotfix_descriptor.h"
#include "hotfix/hotfix_parameters.h"
#include "hotfix/text_mode_reads.h"

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        static_cast<void>(std::fprintf(stderr, "broken: %s\n", what));
        std::abort();
    }
}

void checkReads(const std::vector<std::string>& reads, std::size_t inputSize)
{
    std::size_t total = 0;
    for (std::size_t i = 0; i < reads.size(); ++i) {
        const std::string& read = reads[i];
        require(!read.empty() && read.size() <= 1023, "a read holds 1 to 1023 characters");
        require(read.find('\x1a') == std::string::npos, "Ctrl-Z ends the file");
        const bool last = i + 1 == reads.size();
        require(last || read.back() == '\n' || read.size() == 1023, "only the last read may end early");
        require(read.find('\n') == std::string::npos || read.find('\n') == read.size() - 1,
                "a line feed ends its read");
        total += read.size();
    }
    require(total <= inputSize, "text mode never adds characters");
}

void checkDescriptor(const HotfixDescriptor& descriptor, const std::vector<std::string>& reads)
{
    require(reads.size() >= 2 || descriptor.optType == -1, "no second line leaves -1");
    require(descriptor.version.size() <= 1022, "the version is one read less its last character");
    require(std::strlen(descriptor.version.c_str()) == descriptor.version.size(), "no NUL in the version");
    require(descriptor.versionTooLong == (descriptor.version.size() > kMaxVersionChars),
            "an oversized version is flagged");
    const char* verb = hotfixVerb(descriptor.optType);
    require((verb != nullptr) == (descriptor.optType == 0 || descriptor.optType == 1),
            "only 0 and 1 are run");
    if (verb == nullptr || descriptor.versionTooLong) {
        return;
    }
    const std::string directory = "C:\\Program Files\\A & B\\hotfix";
    const std::optional<std::string> parameters = installerParameters(directory, descriptor.version, verb);
    const std::size_t whole = directory.size() + descriptor.version.size() + std::strlen(verb) + 4;
    require(parameters.has_value() == (whole <= kMaxInstallerParameterChars),
            "only an oversized string is refused");
    if (parameters) {
        require(parameters->size() == whole, "the parameters are never cut");
        require(parameters->rfind("\"" + directory + "\" ", 0) == 0, "the directory comes first, quoted");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> reads = textModeReads(bytes);
    checkReads(reads, size);

    HotfixDescriptor descriptor;
    for (const std::string& read : reads) {
        readDescriptorLine(descriptor, read.c_str());
    }
    checkDescriptor(descriptor, reads);
    return 0;
}
