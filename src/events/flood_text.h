#pragma once

#include <cstdint>
#include <string>

#include "events/event_flood.h"

// The flood rule's state as kept between processes ("ends <time>" and one "event <key> <time>
// <held>" line a record), and read back at `now`: what cannot be read is left out, and so is what
// is stamped after `now` (written while the clock was ahead), which would otherwise hold its
// event back, and outrank every new record, for as long as the clock stays behind. The
// companion's ends belong to one process and are not kept.
std::string saveFlood(const FloodState& state);
FloodState loadFlood(const std::string& text, std::int64_t now);
