#pragma once

#include <string>

// Reads the full path of the running executable. Returns false with the system's error code
// when the path cannot be read or does not fit a MAX_PATH buffer (ERROR_INSUFFICIENT_BUFFER):
// a cut path is never handed out. Nor is one that the system's code page changed: where it cannot
// hold a character of the path, the narrow path names another file (on systems that map such a
// character to a look-alike, "C:\Polaczenie" for "C:\Połączenie", a folder anyone may create), and
// the result is false with ERROR_NO_UNICODE_TRANSLATION.
bool readModulePath(std::string& path, unsigned long& error);

// The same path as the system holds it, in UTF-16; empty when it cannot be read or does not fit a
// MAX_PATH buffer.
std::wstring readWideModulePath();

// `narrow` in UTF-16 through the system's code page.
std::wstring widened(const std::string& narrow);
