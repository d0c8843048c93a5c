// Signing in to the service, and what the user is told of the outcome.
#include "app/controller.h"
#include "app/controller_impl.h"
#include "base/localization.h"
#include "net/service_requests.h"
#include "net/sign_in_state.h"

void Controller::Login(const std::wstring& username, const std::wstring& passwordDigest) {
    Impl& impl = *m_impl;
    if (!impl.downloader) return;
    // The task reads both from the settings; only the user name is kept in config.xml.
    impl.settings->SetUsername(username);
    impl.settings->SetPassword(passwordDigest);
    impl.settings->Save();
    auto task = std::make_shared<LoginTask>(impl.settings);
    std::shared_ptr<Impl> self = m_impl;
    task->SetSignInCallback([self](const SignInData& data) { Controller(self).OnSignInState(data); });
    task->SetProgressCallback([self](int percent) {
        self->ui->ShowProgress(percent, percent < 0 ? std::wstring() : GetString(L"Balloon_LoginProgress"));
    });
    task->SetDoneCallback([self] { Controller(self).OnLoginSuccess(); });
    task->SetErrorCallback(
        [self](DownloadException::ErrorType, const std::wstring& message) { Controller(self).OnLoginFail(message); });
    impl.downloader->AddTask(task);
}

void Controller::OnLoginSuccess() {
    const std::wstring name = m_impl->settings->GetLoginRecord().Username;
    m_impl->ui->ShowInfo(IUI::ShowInfoMessage, FormatString(GetString(L"Prompt_Login_Success"), {name}),
                         GetString(L"Prompt_Login_Success_Title"));
}

void Controller::OnLoginFail(const std::wstring& message) {
    const std::wstring text = m_impl->settings->GetDebugMode()
                                  ? FormatString(GetString(L"Prompt_Login_Fail_Debug"), {message})
                                  : GetString(L"Prompt_Login_Fail");
    m_impl->ui->ShowInfo(IUI::ShowInfoMessage, text, GetString(L"Prompt_Login_Fail_Title"));
    // The service's view of us may differ from what the failure left in the settings.
    Heartbeat();
}
