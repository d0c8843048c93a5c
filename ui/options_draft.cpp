#include "ui/options_draft.h"

#include "desktop/auto_start.h"

OptionsDraft OptionsDraft::Read(const Settings& settings) {
    OptionsDraft d;
    d.changeFrequency = settings.GetChangeFrequency();
    d.downloadFrequency = settings.GetDownloadFrequency();
    d.autoStart = IsAutoStartEnabled();
    d.autoUpdate = settings.GetAutoUpdate();
    d.slientUpdate = settings.GetSlientUpdate();
    d.transparent = settings.GetTransparent();
    d.useLocalImage = settings.GetUseLocalImage();
    d.shuffleLocalImage = settings.GetShuffleLocalImage();
    d.localImageInterval = settings.GetLocalImageInterval();
    d.localImagePath = settings.GetLocalImagePath().str();
    d.frameType = settings.GetFrameType();
    d.frameColor = settings.GetFrameColor();
    d.useTemplate = settings.GetUseTemplate();
    d.templateName = settings.GetTemplate();
    d.stretchPercent = settings.GetStretchPercent();
    d.desktopTextBkTransparent = settings.GetDesktopTextBkTransparent();
    d.tags = settings.GetTags();
    d.hotKeys = settings.GetHotKeys();
    d.proxyType = settings.GetProxyType();
    d.proxyServer = settings.GetProxyServer();
    d.proxyUsername = settings.GetProxyUsername();
    d.proxyPassword = settings.GetProxyPassword();
    return d;
}

void OptionsDraft::Commit(Settings& settings) const {
    const Settings::Changes changes = settings.Batch([this](Settings& s) {
        s.SetChangeFrequency(changeFrequency);
        s.SetDownloadFrequency(downloadFrequency);
        s.SetAutoUpdate(autoUpdate);
        s.SetSlientUpdate(slientUpdate);
        s.SetTransparent(transparent);
        s.SetUseLocalImage(useLocalImage);
        s.SetShuffleLocalImage(shuffleLocalImage);
        s.SetLocalImageInterval(localImageInterval);
        s.SetLocalImagePath(Path(localImagePath));
        s.SetFrameType(frameType);
        s.SetFrameColor(frameColor);
        s.SetUseTemplate(useTemplate);
        s.SetTemplate(templateName);
        s.SetStretchPercent(stretchPercent);
        s.SetDesktopTextBkTransparent(desktopTextBkTransparent);
        s.SetTags(tags);
        s.SetHotKeys(hotKeys);
        s.SetProxyType(proxyType);
        s.SetProxyServer(proxyServer);
        s.SetProxyUsername(proxyUsername);
        s.SetProxyPassword(proxyPassword);
    });
    if (!changes.Empty()) settings.Save();
    if (autoStart != IsAutoStartEnabled()) SetAutoStartEnabled(autoStart);
}
