#pragma once
// The service's requests as download tasks: the image list, sign-in, sign-out, heartbeat,
// favourites, the update check and the partner's picture list.
#include <functional>
#include <memory>
#include <string>

#include "net/version_info.h"
#include "net/xml_request_task.h"

// The images of the categories in tags (keys in ascending order, one blank between them).
class ImageListTask : public XmlRequestTask {
public:
    using ResultCallback = std::function<void(const ImageListPtr& images)>;

    ImageListTask(std::shared_ptr<Settings> settings, std::wstring tags);
    void SetResultCallback(ResultCallback callback) { m_onResult = std::move(callback); }
    const std::wstring& GetTags() const { return m_tags; }

    // What we tell the service about the screen: its size, and the smallest picture worth
    // sending, which is the screen itself when pictures fill it without a frame (type 2).
    static void AddScreenFields(FormFields& fields, Settings::Point screen, int frameType);

protected:
    FormFields BuildFields() const override;
    void ParseDocument(const TiXmlDocument& document) override;

private:
    std::wstring m_tags;
    ResultCallback m_onResult;
};

// A request whose answer is the sign-in state: sign-out, heartbeat, favourites.
class SignInStateTask : public XmlRequestTask {
public:
    using XmlRequestTask::XmlRequestTask;
    void SetSignInCallback(SignInCallback callback) { m_onSignIn = std::move(callback); }

protected:
    void ParseDocument(const TiXmlDocument& document) override;

private:
    SignInCallback m_onSignIn;
};

class LogoutTask : public SignInStateTask {
public:
    explicit LogoutTask(std::shared_ptr<Settings> settings);
};

class HeartbeatTask : public SignInStateTask {
public:
    explicit HeartbeatTask(std::shared_ptr<Settings> settings);
};

// Adds an image to the favourites or removes it; the answer carries the new list.
class FavoriteTask : public SignInStateTask {
public:
    FavoriteTask(std::shared_ptr<Settings> settings, int pid, bool add);
    int GetPid() const { return m_pid; }
    bool IsAdd() const { return m_add; }

protected:
    FormFields BuildFields() const override;
    std::optional<DownloadException::ErrorType> MapErrorType(const std::wstring& type) const override;

private:
    int m_pid;
    bool m_add;
};

// Signs in with the user name and password the settings hold (the password as the
// upper-case MD5 digest, which is what the service compares).
class LoginTask : public DownloadTask {
public:
    explicit LoginTask(std::shared_ptr<Settings> settings);
    void SetSignInCallback(SignInCallback callback) { m_onSignIn = std::move(callback); }
    void SetThumbnailRequest(ThumbnailRequest request) { m_requestThumbnail = std::move(request); }

    void Run() override;
    void HandleAnswer(const Bytes& body);

private:
    std::shared_ptr<Settings> m_settings;
    SignInCallback m_onSignIn;
    ThumbnailRequest m_requestThumbnail;
};

// Asks for the newest version of the program.
class CheckUpdateTask : public DownloadTask {
public:
    using ResultCallback = std::function<void(const VersionInfo& info)>;

    explicit CheckUpdateTask(std::shared_ptr<Settings> settings);
    void SetResultCallback(ResultCallback callback) { m_onResult = std::move(callback); }

    void Run() override;
    void HandleAnswer(const Bytes& body);

private:
    std::shared_ptr<Settings> m_settings;
    ResultCallback m_onResult;
};

// The partner's pictures: plain text from the partner's host, one URL a line.
class PartnerListTask : public DownloadTask {
public:
    using ResultCallback = std::function<void(const ImageListPtr& images)>;

    explicit PartnerListTask(std::shared_ptr<Settings> settings);
    void SetResultCallback(ResultCallback callback) { m_onResult = std::move(callback); }
    std::wstring GetUrl() const;

    void Run() override;
    void HandleAnswer(const Bytes& body);

private:
    std::shared_ptr<Settings> m_settings;
    ResultCallback m_onResult;
};

// The sign-in the Downloader runs by itself before it tries a refused task again.
DownloadTaskPtr MakeSignInTask(std::shared_ptr<Settings> settings, SignInCallback onSignIn = nullptr);
