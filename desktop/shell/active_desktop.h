#pragma once
// Active Desktop (the shell's HTML desktop) on or off. Best effort: where the shell has no
// Active Desktop nothing happens and the answer is false.
bool SetActiveDesktop(bool enabled);
