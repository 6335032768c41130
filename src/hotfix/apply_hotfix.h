#pragma once

#include <string>

// The hotfix step, run before every launch of the companion: reads the hotfix descriptor and
// runs the hotfix installer, or removes a hotfix directory that has no installer. Whatever it
// finds, it returns and the companion is launched; every outcome but an installer run is
// logged here. A path, version text or parameter string too long for its buffer gives up the
// step with one log line; nothing is ever run with a cut string. Before it reads the descriptor,
// it waits until no hotfix installer runs.
void applyHotfix();

// The same step for the executable at `modulePath`, whose install root is its parent's parent.
void applyHotfixFor(const std::string& modulePath);
