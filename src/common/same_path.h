#pragma once

#include <string>

// True when `a` and `b` are the same path as Windows compares file names: each in its long form
// where the file exists (8.3 short names expanded), letter case ignored in the system's ordinal
// way, the way NTFS itself compares names.
bool samePath(const std::string& a, const std::string& b);
