#pragma once

#include <windows.h>

// The daily summary (events/daily_summary.h) as the service thread keeps and reports it. Its
// counts are this process's, since the last summary or since the process began; only the start of
// the period is kept for the next process. Nothing here wakes the service: the waits it already
// has take their time limit from summaryWaitLimit.

void countCompanionEnd(unsigned long exitCode);
void countInstallerRun();

// How long a wait may last before the summary is due, at most `longestMs`.
DWORD summaryWaitLimit(DWORD longestMs);

// Reports the summary when a day has passed since its period began, and begins the next.
void reportSummaryIfDue();
