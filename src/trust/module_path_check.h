#pragma once

// True when the system's code page holds the executable's path, so that the narrow path the
// service names its companion, its log and its hotfix by is the path it runs from. Otherwise
// writes the path as the code page reads it and the code page to the log and as an Error event,
// and returns false: nothing may then be launched or run.
bool modulePathHoldsInCodePage();
