#pragma once
// The sign-in dialog: the service account's user name and password, and a link to the
// service's registration page. On OK the password is replaced by its digest, so the plain
// password never leaves the dialog.
#include <windows.h>

#include <string>

#include "ui/controls/dialog_base.h"
#include "ui/controls/hyper_link.h"

class LoginDialog : public CDialogBase {
public:
    // username: what the user name box starts with; registerUrl: the link's target.
    LoginDialog(std::wstring username, std::wstring registerUrl);
    ~LoginDialog() override;

    // Runs the dialog modally, owned by owner. True when it ended with OK: the user name and
    // the password digest are then set.
    bool Run(HWND owner);
    // Without blanks at either end.
    const std::wstring& GetUsername() const { return m_username; }
    // After OK: the MD5 digest of the password's UTF-8 bytes as 32 upper-case hex digits, the
    // form the service compares. Empty before.
    const std::wstring& GetPassword() const { return m_password; }
    // How the registration link is opened (the shell by default).
    void SetLinkOpener(LinkOpener opener) { m_opener = std::move(opener); }

private:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnInit();
    void OnOk();
    std::wstring ReadUsername() const;

    std::wstring m_username, m_password, m_registerUrl;
    HyperLink m_register;
    LinkOpener m_opener;
};
