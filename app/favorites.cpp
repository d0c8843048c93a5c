// What the user does with one picture: show one of the favourites the menus list, never show
// the one on the desktop again, keep a copy of it.
#include "app/controller.h"

#include "app/controller_impl.h"
#include "base/debug_log.h"
#include "base/localization.h"
#include "store/picture_copy.h"

void Controller::ShowFavoriteImage(const ImagePtr& image) {
    Post([image](Controller& c) {
        if (!image || !image->GetPath().Exists() || image->GetPath().IsDirectory()) return;
        // The next Previous or Next drops the override and goes on from the cursor.
        c.m_impl->lists.SetOverride(image);
        c.QueueShow(ShowCurrent, true);
        c.ChangeFreeze(true);
    });
}

void Controller::NeverShowCurrent() {
    Post([](Controller& c) { c.BanCurrent(); });
}

void Controller::BanCurrent() {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("BanCurrent");
    const ImageLists::Snapshot shown = impl.lists.GetSnapshot();
    const Impl::PictureSource source = impl.SourceOf(shown, 0);
    if (source.path.empty()) return;
    if (source.packaged) {
        const int id = source.image ? source.image->GetId() : -1;
        // A picture without an id (the partner's) is known by its package.
        if (id > 0 ? !impl.bans.Ban(id) : !impl.bans.Ban(source.path)) DebugLog(L"The ban holds for this run only\n");
        if (IsFavorite(impl.lists.GetFavorites(), id)) RequestFavorite(id, false);
        impl.lists.RemoveDownloaded(source.path);
        if (shown.override) impl.lists.SetOverride(nullptr);
        if (!source.path.Remove()) DebugLog(L"Could not remove " + source.path.str() + L"\n");
    } else {
        impl.bans.Ban(source.path);
        impl.lists.RemoveLocal(source.path);  // the user's own file stays where it is
    }
    QueueShow(ShowCurrent, true);  // the next picture stands where the banned one stood
}

void Controller::SavePicture() {
    Post([](Controller& c) { c.SaveCurrent(); });
}

void Controller::SaveCurrent() {
    Impl& impl = *m_impl;
    impl.AssertOnOwnThread("SaveCurrent");
    const Impl::PictureSource source = impl.SourceOf(impl.lists.GetSnapshot(), 0);
    const Path pictures = impl.picturesFolder();
    std::optional<Path> saved;
    // The user's own file keeps its name.
    const std::wstring name = source.packaged ? PictureFileName(impl.NameOf(source)) : source.path.Stem();
    if (!source.path.empty() && !pictures.empty())
        saved = SavePictureCopy(source.path, source.packaged, pictures / L"Kestrane", name);
    if (saved) {
        impl.ui->PictureSaved(*saved);
    } else {
        impl.ui->ShowInfo(IUI::ShowInfoMessage, GetString(L"Prompt_SavePicture_Fail"),
                          GetString(L"Prompt_SavePicture_Fail_Title"));
    }
}
