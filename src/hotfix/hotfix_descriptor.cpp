#include "hotfix/hotfix_descriptor.h"

#include <cstdint>
#include <cstdlib>

namespace {

std::string withoutLastCharacter(const char* read)
{
    std::string text(read);
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

}  // namespace

void readDescriptorLine(HotfixDescriptor& descriptor, const char* read)
{
    switch (descriptor.next) {
    case HotfixDescriptor::Line::Version:
        descriptor.version = withoutLastCharacter(read);
        descriptor.versionTooLong = descriptor.version.size() > kMaxVersionChars;
        descriptor.next = HotfixDescriptor::Line::OptType;
        break;
    case HotfixDescriptor::Line::OptType:
        descriptor.optType = parseOptType(withoutLastCharacter(read).c_str());
        descriptor.next = HotfixDescriptor::Line::Done;
        break;
    case HotfixDescriptor::Line::Done:
        break;
    }
}

int parseOptType(const char* text)
{
    const long value = std::strtol(text, nullptr, 10);
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<int>(value);
}
