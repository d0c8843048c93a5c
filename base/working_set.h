#pragma once
// Gives the process's unused pages back to the system: a tray program that sits idle most of
// the day should not hold on to what a download or a composition needed for a moment.
void TrimWorkingSet();
