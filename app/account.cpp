// Signing in and out, the favourites kept by the service, and what the user is told of each outcome.
#include "app/controller.h"
#include "app/controller_impl.h"
#include "base/localization.h"
#include "net/service_requests.h"
#include "net/sign_in_state.h"

namespace {

// The task's sign-in answers and its progress; the progress goes straight to the window.
template <class Task>
void FollowSignIn(Task& task, IUI* ui, std::function<void(const SignInData&)> onSignIn, const wchar_t* progressTextId) {
    task.SetSignInCallback(std::move(onSignIn));
    std::wstring textId = progressTextId ? progressTextId : L"";
    task.SetProgressCallback([ui, textId](int percent) {
        ui->ShowProgress(percent, percent < 0 || textId.empty() ? std::wstring() : GetString(textId));
    });
}

}  // namespace

void Controller::Login(const std::wstring& username, const std::wstring& passwordDigest) {
    Post([username, passwordDigest](Controller& c) {
        Impl& impl = *c.m_impl;
        if (!impl.downloader) return;
        // The task reads both from the settings; only the user name is kept in config.xml.
        impl.settings->SetUsername(username);
        impl.settings->SetPassword(passwordDigest);
        impl.settings->Save();
        auto task = std::make_shared<LoginTask>(impl.settings);
        std::weak_ptr<Impl> weak = c.m_impl;
        FollowSignIn(
            *task, impl.ui,
            [weak](const SignInData& data) { PostTo(weak, [data](Controller& c) { c.OnSignInState(data); }); },
            L"Balloon_LoginProgress");
        task->SetDoneCallback([weak] { PostTo(weak, [](Controller& c) { c.OnLoginSuccess(); }); });
        task->SetErrorCallback([weak](DownloadException::ErrorType, const std::wstring& message) {
            PostTo(weak, [message](Controller& c) { c.OnLoginFail(message); });
        });
        impl.downloader->AddTask(task);
    });
}

void Controller::OnLoginSuccess() {
    m_impl->AssertOnOwnThread("OnLoginSuccess");
    const std::wstring name = m_impl->settings->GetLoginRecord().Username;
    m_impl->ui->ShowInfo(IUI::ShowInfoMessage, FormatString(GetString(L"Prompt_Login_Success"), {name}),
                         GetString(L"Prompt_Login_Success_Title"));
}

void Controller::OnLoginFail(const std::wstring& message) {
    OnAccountFail(L"Prompt_Login_Fail", message, L"Prompt_Login_Fail_Title");
}

// A failed sign-in or sign-out: the failure itself only in debug mode, then a heartbeat,
// since the service's view of us may differ from what the failure left in the settings.
void Controller::OnAccountFail(const std::wstring& textId, const std::wstring& message, const std::wstring& titleId) {
    m_impl->AssertOnOwnThread("OnAccountFail");
    const std::wstring text =
        m_impl->settings->GetDebugMode() ? FormatString(GetString(textId + L"_Debug"), {message}) : GetString(textId);
    m_impl->ui->ShowInfo(IUI::ShowInfoMessage, text, GetString(titleId));
    StartHeartbeat();
}

void Controller::Logout() {
    Post([](Controller& c) {
        Impl& impl = *c.m_impl;
        if (!impl.downloader) return;
        auto task = std::make_shared<LogoutTask>(impl.settings);
        std::weak_ptr<Impl> weak = c.m_impl;
        FollowSignIn(
            *task, impl.ui,
            [weak](const SignInData& data) { PostTo(weak, [data](Controller& c) { c.OnSignInState(data); }); },
            nullptr);
        IUI* ui = impl.ui;
        task->SetDoneCallback([ui] {
            ui->ShowInfo(IUI::ShowInfoMessage, GetString(L"Prompt_Logout_Success"),
                         GetString(L"Prompt_Logout_Success_Title"));
        });
        task->SetErrorCallback([weak](DownloadException::ErrorType, const std::wstring& message) {
            PostTo(weak, [message](Controller& c) {
                c.OnAccountFail(L"Prompt_Logout_Fail", message, L"Prompt_Logout_Fail_Title");
            });
        });
        impl.downloader->AddTask(task);
    });
}

void Controller::AddFavorite(int pid) {
    Post([pid](Controller& c) { c.RequestFavorite(pid, true); });
}

void Controller::DeleteFavorite(int pid) {
    Post([pid](Controller& c) { c.RequestFavorite(pid, false); });
}

void Controller::RequestFavorite(int pid, bool add) {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("RequestFavorite");
    if (!impl.downloader) return;
    auto task = std::make_shared<FavoriteTask>(impl.settings, pid, add);
    std::weak_ptr<Impl> weak = m_impl;
    FollowSignIn(
        *task, impl.ui,
        [weak](const SignInData& data) { PostTo(weak, [data](Controller& c) { c.OnSignInState(data); }); }, nullptr);
    task->SetDoneCallback(
        [weak, pid, add] { PostTo(weak, [pid, add](Controller& c) { c.OnFavoritesDone(pid, add); }); });
    task->SetErrorCallback([weak, add](DownloadException::ErrorType, const std::wstring& message) {
        PostTo(weak, [message, add](Controller& c) { c.OnFavoritesError(message, add); });
    });
    impl.downloader->AddTask(task);
}

// The answer has replaced the list: it tells whether the service now holds the image.
void Controller::OnFavoritesDone(int pid, bool add) {
    m_impl->AssertOnOwnThread("OnFavoritesDone");
    FavoriteListPtr favorites = m_impl->lists.GetFavorites();
    const size_t count = favorites ? favorites->size() : 0;
    if (IsFavorite(favorites, pid) != add) return;  // the service did not do it: no success to tell
    const std::wstring textId = add ? L"Prompt_AddFavorites_Success" : L"Prompt_DelFavorites_Success";
    m_impl->ui->ShowInfo(IUI::ShowInfoMessage, FormatString(GetString(textId), {static_cast<unsigned>(count)}),
                         GetString(textId + L"_Title"));
}

void Controller::OnFavoritesError(const std::wstring& message, bool add) {
    const std::wstring textId = add ? L"Prompt_AddFavorites_Fail" : L"Prompt_DelFavorites_Fail";
    m_impl->ui->ShowInfo(IUI::ShowInfoMessage, FormatString(GetString(textId), {message}),
                         GetString(textId + L"_Title"));
}
