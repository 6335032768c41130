#include "common/process_list.h"

#include <tlhelp32.h>

#include <cstring>

#include "common/same_path.h"
#include "common/win_handle.h"

void forEachProcessNamed(const char* exeName, const std::function<bool(unsigned long processId)>& visit)
{
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) {
        return;
    }
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        if (std::strcmp(entry.szExeFile, exeName) == 0 && !visit(entry.th32ProcessID)) {
            return;
        }
    }
}

bool processImageIs(HANDLE process, const std::string& imagePath)
{
    char image[1024] = {};
    DWORD length = sizeof image;
    return QueryFullProcessImageNameA(process, 0, image, &length) &&
           samePath(std::string(image, length), imagePath);
}
