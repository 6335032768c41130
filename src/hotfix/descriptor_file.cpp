#include "hotfix/descriptor_file.h"

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>

bool readDescriptorFile(ScopedHandle file, const std::function<void(const char* read)>& onRead)
{
    const int descriptor = _open_osfhandle(reinterpret_cast<std::intptr_t>(file.get()), _O_RDONLY | _O_TEXT);
    if (descriptor == -1) {
        return false;
    }
    file.release();  // the run-time's descriptor owns it now
    std::FILE* stream = _fdopen(descriptor, "r");
    if (stream == nullptr) {
        _close(descriptor);
        return false;
    }
    char line[1024] = {};
    while (std::fgets(line, sizeof line, stream) != nullptr) {
        onRead(line);
    }
    // The file was only read: a failed close loses nothing.
    static_cast<void>(std::fclose(stream));
    return true;
}
