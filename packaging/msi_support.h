#pragma once

#include <windows.h>
#include <msiquery.h>

#include <string>

// What the package's custom actions share. They run inside the installer's process, whose code
// page is the system's, never UTF-8: every path is read and used in UTF-16, and carried between
// functions in UTF-8, so that no letter of an install root is lost or changed on the way.

std::wstring utf16Of(const std::string& utf8);
std::string utf8Of(const std::wstring& utf16);

// Writes "QeltWatch: TEXT" to the installer's log.
void note(MSIHANDLE install, const std::string& text);

// CustomActionData, which the package sets to a directory: with its last backslash, and each
// component in its long form where it exists (a program may have been started by its short name).
std::string actionDirectory(MSIHANDLE install);

// `path` with every component in its long form; as it was when that cannot be read.
std::string longPath(const std::string& path);

// True when `a` and `b` are the same text, letter case ignored as Windows compares file names.
bool samePathText(const std::string& a, const std::string& b);
