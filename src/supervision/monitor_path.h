#pragma once

#include <optional>
#include <string>

// The companion's full path beside the executable. Empty, after one log line that names the
// failure and its error code, when the path cannot be read or would not fit: the loop must
// never launch a cut path.
std::optional<std::string> monitorPath();
