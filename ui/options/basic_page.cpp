#include "ui/options/basic_page.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

#include "base/localization.h"
#include "base/path.h"
#include "resources/resource.h"
#include "ui/options/page_controls.h"

namespace {

const std::vector<Choice> kChangeChoices = {{L"PropSheet_Change_PerMin", 1},
                                            {L"PropSheet_Change_Per5Min", 5},
                                            {L"PropSheet_Change_Per10Min", 10},
                                            {L"PropSheet_Change_Per30Min", 30},
                                            {L"PropSheet_Change_PerHour", 60}};
const std::vector<Choice> kDownloadChoices = {
    {L"PropSheet_Download_Per3Hour", 3},   {L"PropSheet_Download_Per6Hour", 6}, {L"PropSheet_Download_Per8Hour", 8},
    {L"PropSheet_Download_Per12Hour", 12}, {L"PropSheet_Download_PerDay", 24},  {L"PropSheet_Download_PerWeek", 168}};

constexpr int kIntervalLow = 1, kIntervalHigh = 9;
// Below this the bar is too faint to find again.
constexpr int kOpacityLow = 64, kOpacityHigh = 255;

// The controls that only matter while local pictures are mixed in.
const int kLocalImageControls[] = {IDC_SHUFFLE_LOCAL_IMAGE,  IDC_LOCAL_IMAGE_INTERVAL_LABEL,
                                   IDC_LOCAL_IMAGE_INTERVAL, IDC_LOCAL_IMAGE_INTERVAL_SPIN,
                                   IDC_LOCAL_IMAGE_PATH,     IDC_BROWSE_LOCAL_IMAGE};

// The folder browser opens at the folder the edit names.
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data) SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

}  // namespace

BasicPage::BasicPage(OptionsDraft& draft) : PropertyPage(IDD_BASIC_PAGE, L"PropSheet_Basic_Title", draft) {}

void BasicPage::OnInit() {
    HWND page = m_hwnd;
    FillChoices(page, IDC_CHANGE_FREQUENCY, kChangeChoices);
    SelectChoiceValue(page, IDC_CHANGE_FREQUENCY, m_draft.changeFrequency);
    FillChoices(page, IDC_DOWNLOAD_FREQUENCY, kDownloadChoices);
    SelectChoiceValue(page, IDC_DOWNLOAD_FREQUENCY, m_draft.downloadFrequency);
    SetChecked(page, IDC_AUTO_START, m_draft.autoStart);
    SetChecked(page, IDC_AUTO_UPDATE, m_draft.autoUpdate);
    SetChecked(page, IDC_SLIENT_UPDATE, m_draft.slientUpdate);
    SetChecked(page, IDC_PAUSE_FULL_SCREEN, m_draft.pauseWhileFullScreen);
    SetChecked(page, IDC_PAUSE_ON_BATTERY, m_draft.pauseOnBattery);
    SendDlgItemMessageW(page, IDC_WINDOW_OPACITY, TBM_SETRANGE, FALSE, MAKELPARAM(kOpacityLow, kOpacityHigh));
    SendDlgItemMessageW(page, IDC_WINDOW_OPACITY, TBM_SETPAGESIZE, 0, 16);
    SendDlgItemMessageW(page, IDC_WINDOW_OPACITY, TBM_SETPOS, TRUE, std::max(m_draft.transparent, kOpacityLow));
    SetChecked(page, IDC_USE_LOCAL_IMAGE, m_draft.useLocalImage);
    SetChecked(page, IDC_SHUFFLE_LOCAL_IMAGE, m_draft.shuffleLocalImage);
    SetUpDown(page, IDC_LOCAL_IMAGE_INTERVAL_SPIN, kIntervalLow, kIntervalHigh, m_draft.localImageInterval);
    SendDlgItemMessageW(page, IDC_LOCAL_IMAGE_PATH, EM_LIMITTEXT, MAX_PATH - 1, 0);
    SetDlgItemTextW(page, IDC_LOCAL_IMAGE_PATH, m_draft.localImagePath.c_str());
}

void BasicPage::Retext() {
    HWND page = m_hwnd;
    SetItemText(IDC_BASIC_GROUP, L"PropSheet_Basic_Title");
    SetItemText(IDC_CHANGE_FREQUENCY_LABEL, L"PropSheet_ChangeFrequency_Title");
    SetItemText(IDC_DOWNLOAD_FREQUENCY_LABEL, L"PropSheet_DownloadFrequency_Title");
    FillChoices(page, IDC_CHANGE_FREQUENCY, kChangeChoices);
    FillChoices(page, IDC_DOWNLOAD_FREQUENCY, kDownloadChoices);
    SetItemText(IDC_AUTO_START, L"PropSheet_AutoStart_Title");
    SetItemText(IDC_AUTO_UPDATE, L"PropSheet_AutoUpdate_Title");
    SetItemText(IDC_SLIENT_UPDATE, L"PropSheet_SlientUpdate_Title");
    SetItemText(IDC_PAUSE_FULL_SCREEN, L"PropSheet_PauseFullScreen_Title");
    SetItemText(IDC_PAUSE_ON_BATTERY, L"PropSheet_PauseOnBattery_Title");
    SetItemText(IDC_WINDOW_OPACITY_LABEL, L"PropSheet_WindowOpacity_Title");
    SetItemText(IDC_LOCAL_IMAGE_GROUP, L"PropSheet_LocalImageGroup_Title");
    SetItemText(IDC_USE_LOCAL_IMAGE, L"PropSheet_UseLocalImage_Title");
    SetItemText(IDC_SHUFFLE_LOCAL_IMAGE, L"PropSheet_ShuffleLocalImage_Title");
    SetItemText(IDC_LOCAL_IMAGE_INTERVAL_LABEL, L"PropSheet_LocalImageInterval_Title");
    SetItemText(IDC_BROWSE_LOCAL_IMAGE, L"PropSheet_BrowseLocalImage_Title");
}

bool BasicPage::OnCommand(WORD id, WORD code) {
    if (code != BN_CLICKED) return false;
    if (id == IDC_BROWSE_LOCAL_IMAGE) {
        BrowseLocalImagePath();
        return true;
    }
    // A box that others depend on takes effect at once, not at the next timer tick.
    if (id == IDC_AUTO_UPDATE || id == IDC_USE_LOCAL_IMAGE) OnPageTimer();
    return false;
}

INT_PTR BasicPage::OnMessage(UINT message, WPARAM, LPARAM lParam) {
    // The opacity slider tells of its moves by scrolling, not by a command.
    if (message == WM_HSCROLL && reinterpret_cast<HWND>(lParam) == GetDlgItem(m_hwnd, IDC_WINDOW_OPACITY))
        SetChanged(true);
    return FALSE;
}

void BasicPage::OnPageTimer() {
    HWND page = m_hwnd;
    EnableItem(page, IDC_SLIENT_UPDATE, IsChecked(page, IDC_AUTO_UPDATE));
    const bool local = IsChecked(page, IDC_USE_LOCAL_IMAGE);
    for (int id : kLocalImageControls) EnableItem(page, id, local);
}

bool BasicPage::ReadBack() {
    HWND page = m_hwnd;
    const bool useLocalImage = IsChecked(page, IDC_USE_LOCAL_IMAGE);
    const std::wstring folder = GetItemText(page, IDC_LOCAL_IMAGE_PATH);
    // Pictures cannot come from a folder that is not there.
    if (useLocalImage && !Path(folder).IsDirectory()) {
        ShowError(L"Prompt_InvalidLocalImagePath", L"Prompt_InvalidLocalImagePath_Title");
        SetFocus(GetDlgItem(page, IDC_LOCAL_IMAGE_PATH));
        return false;
    }
    if (int minutes = SelectedChoiceValue(page, IDC_CHANGE_FREQUENCY)) m_draft.changeFrequency = minutes;
    if (int hours = SelectedChoiceValue(page, IDC_DOWNLOAD_FREQUENCY)) m_draft.downloadFrequency = hours;
    m_draft.autoStart = IsChecked(page, IDC_AUTO_START);
    m_draft.autoUpdate = IsChecked(page, IDC_AUTO_UPDATE);
    m_draft.slientUpdate = IsChecked(page, IDC_SLIENT_UPDATE);
    m_draft.pauseWhileFullScreen = IsChecked(page, IDC_PAUSE_FULL_SCREEN);
    m_draft.pauseOnBattery = IsChecked(page, IDC_PAUSE_ON_BATTERY);
    const int opacity = static_cast<int>(SendDlgItemMessageW(page, IDC_WINDOW_OPACITY, TBM_GETPOS, 0, 0));
    // A stored value below the slider's range stays unless the slider was moved.
    if (opacity != std::max(m_draft.transparent, kOpacityLow)) m_draft.transparent = opacity;
    m_draft.useLocalImage = useLocalImage;
    m_draft.shuffleLocalImage = IsChecked(page, IDC_SHUFFLE_LOCAL_IMAGE);
    BOOL isNumber = FALSE;
    const UINT interval = GetDlgItemInt(page, IDC_LOCAL_IMAGE_INTERVAL, &isNumber, FALSE);
    if (isNumber && interval != 0) m_draft.localImageInterval = static_cast<int>(interval);
    m_draft.localImagePath = Path(folder);
    return true;
}

void BasicPage::BrowseLocalImagePath() {
    const std::wstring title = GetString(L"Prompt_BrowseLocalImagePath_Title");
    const std::wstring current = GetItemText(m_hwnd, IDC_LOCAL_IMAGE_PATH);
    BROWSEINFOW browse{};
    browse.hwndOwner = m_hwnd;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    browse.lpfn = BrowseCallback;
    browse.lParam = current.empty() ? 0 : reinterpret_cast<LPARAM>(current.c_str());
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
    if (!chosen) return;
    wchar_t folder[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen, folder)) SetDlgItemTextW(m_hwnd, IDC_LOCAL_IMAGE_PATH, folder);
    CoTaskMemFree(chosen);
}
