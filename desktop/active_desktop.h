#pragma once
// Active Desktop (the shell's HTML desktop) on or off. Best effort: where the shell has no
// Active Desktop nothing happens.
void SetActiveDesktop(bool enabled);
