#include "desktop/auto_start.h"

bool IsAutoStartEnabled() { return false; }
void SetAutoStartEnabled(bool) {}
