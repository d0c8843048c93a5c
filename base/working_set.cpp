#include "base/working_set.h"

#include <windows.h>

#include <malloc.h>

void TrimWorkingSet() {
    SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
}

void ReleaseFreedMemory() {
    _heapmin();  // the C runtime's heap
    HeapCompact(GetProcessHeap(), 0);
    TrimWorkingSet();
}
