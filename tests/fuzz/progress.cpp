#include "fuzz/progress.h"

SharedProgress::SharedProgress(HANDLE mapping) : m_mapping(mapping) {
    if (m_mapping)
        m_view = static_cast<WorkerProgress*>(MapViewOfFile(m_mapping, FILE_MAP_WRITE, 0, 0, sizeof(WorkerProgress)));
}

SharedProgress SharedProgress::Create() {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    SharedProgress progress(
        CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, sizeof(WorkerProgress), nullptr));
    if (WorkerProgress* view = progress.get()) {
        view->index = -1;
        view->done = view->accepted = view->largestAllocation = 0;
        view->findings = 0;
        view->stage[0] = view->note[0] = '\0';
    }
    return progress;
}

SharedProgress SharedProgress::Open(std::uintptr_t handle) { return SharedProgress(reinterpret_cast<HANDLE>(handle)); }

SharedProgress::SharedProgress(SharedProgress&& other) noexcept : m_mapping(other.m_mapping), m_view(other.m_view) {
    other.m_mapping = nullptr;
    other.m_view = nullptr;
}

SharedProgress::~SharedProgress() {
    if (m_view) UnmapViewOfFile(m_view);
    if (m_mapping) CloseHandle(m_mapping);
}

void CopyNote(char* field, std::size_t size, const char* text) {
    std::size_t i = 0;
    for (; text && text[i] && i + 1 < size; ++i) field[i] = text[i];
    field[i] = '\0';
}
