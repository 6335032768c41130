#include "hotfix/apply_hotfix.h"

void applyHotfix() {}
