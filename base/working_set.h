#pragma once
// Gives the process's unused memory back to the system: a tray program that sits idle most of
// the day should not hold on to what a composition needed for a moment. Once after a change,
// never on a timer: a trim pages the program out, and the next touch pages it back in.
void TrimWorkingSet();
// Hands the heaps' free blocks back to the system, then trims the working set.
void ReleaseFreedMemory();
