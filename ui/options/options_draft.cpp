#include "ui/options/options_draft.h"

#include "desktop/shell/auto_start.h"

OptionsDraft OptionsDraft::Read(const Settings& settings) {
    OptionsDraft draft;
    static_cast<Settings::Values&>(draft) = draft.m_read = settings.GetValues();
    draft.autoStart = IsAutoStartEnabled();
    return draft;
}

bool OptionsDraft::Commit(Settings& settings) {
    const Settings::Changes changes = settings.Batch([this](Settings& s) {
#define KESTRANE_COMMIT(Name, Type, member, ...) \
    if (!(member == m_read.member)) s.Set##Name(member);
        KESTRANE_SETTINGS(KESTRANE_COMMIT, KESTRANE_COMMIT)
#undef KESTRANE_COMMIT
    });
    m_read = *this;
    if (autoStart != IsAutoStartEnabled()) SetAutoStartEnabled(autoStart);
    if (!changes.Empty()) m_unsaved = true;
    if (m_unsaved) m_unsaved = !settings.Save();
    return !m_unsaved;
}
