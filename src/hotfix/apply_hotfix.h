#pragma once

// The hotfix step, run before every launch of the companion: reads the hotfix descriptor and
// runs the hotfix installer, or removes a hotfix directory that has no installer.
void applyHotfix();
