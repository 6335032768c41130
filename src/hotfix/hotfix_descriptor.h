#pragma once

#include <cstddef>
#include <string>

// The longest version text the installer's parameters are built for.
constexpr std::size_t kMaxVersionChars = 259;

// The hotfix descriptor as far as it has been read. Its first line is the version text, its
// second the operation type; later lines mean nothing.
struct HotfixDescriptor {
    enum class Line { Version, OptType, Done };

    Line next = Line::Version;
    std::string version;
    bool versionTooLong = false;
    // -1 until a second line has been read.
    int optType = -1;
};

// Takes one read of the descriptor as text-mode fgets gives it: a NUL-terminated piece of at
// most 1023 characters ending after a line feed, or shorter at the end of the file. A NUL
// inside the line ends it there. The last character of the first two reads is dropped, as
// it is the line end of a well-formed descriptor.
void readDescriptorLine(HotfixDescriptor& descriptor, const char* read);

// The decimal value of `text` by strtol's rules (leading white space, one sign, digits up to
// the first other character, none gives 0), clamped to the 32-bit range as a 32-bit long
// would be, whatever the width of long on the host.
int parseOptType(const char* text);
