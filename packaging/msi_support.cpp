#include "msi_support.h"

#include <vector>

std::wstring utf16Of(const std::string& utf8)
{
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), length);
    }
    return text;
}

std::string utf8Of(const std::wstring& utf16)
{
    const int size = static_cast<int>(utf16.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, text.data(), length, nullptr, nullptr);
    }
    return text;
}

void note(MSIHANDLE install, const std::string& text)
{
    PMSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringW(record, 0, L"QeltWatch: [1]");
    MsiRecordSetStringW(record, 1, utf16Of(text).c_str());
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
}

std::string longPath(const std::string& path)
{
    const std::wstring wide = utf16Of(path);
    std::vector<wchar_t> full(32768);
    const DWORD length = GetLongPathNameW(wide.c_str(), full.data(), static_cast<DWORD>(full.size()));
    return length > 0 && length < full.size() ? utf8Of(std::wstring(full.data(), length)) : path;
}

std::string actionDirectory(MSIHANDLE install)
{
    std::vector<wchar_t> value(32768);
    DWORD size = static_cast<DWORD>(value.size());
    if (MsiGetPropertyW(install, L"CustomActionData", value.data(), &size) != ERROR_SUCCESS || size == 0) {
        return "";
    }
    std::string directory = longPath(utf8Of(std::wstring(value.data(), size)));
    if (directory.back() != '\\') {
        directory += '\\';
    }
    return directory;
}

bool samePathText(const std::string& a, const std::string& b)
{
    const std::wstring left = utf16Of(a);
    const std::wstring right = utf16Of(b);
    return CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}
