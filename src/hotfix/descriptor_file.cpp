#include "hotfix/descriptor_file.h"

#include <cstdio>

bool readDescriptorFile(const std::string& path, const std::function<void(const char* read)>& onRead)
{
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (file == nullptr) {
        return false;
    }
    char line[1024] = {};
    while (std::fgets(line, sizeof line, file) != nullptr) {
        onRead(line);
    }
    // The file was only read: a failed close loses nothing.
    static_cast<void>(std::fclose(file));
    return true;
}
