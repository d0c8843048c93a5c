// What the user does with one picture: show one of the favourites the menus list, never show
// the one on the desktop again.
#include "app/controller.h"
#include "app/controller_impl.h"
#include "base/debug_log.h"

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
    if (source.path.str().empty()) return;
    if (source.packaged) {
        const ImagePtr image = impl.CurrentImage();
        const int id = image ? image->GetId() : -1;
        // A picture without an id (the partner's) is known by its package.
        if (id > 0 ? !impl.bans.Ban(id) : !impl.bans.Ban(source.path))
            DebugLog(L"The ban holds for this run only\n");
        if (FavoriteListPtr favorites = impl.lists.GetFavorites())
            for (const FavoriteEntry& entry : *favorites)
                if (id > 0 && entry.image && entry.image->GetId() == id) RequestFavorite(id, false);
        impl.lists.RemoveDownloaded(source.path);
        if (shown.override) impl.lists.SetOverride(nullptr);
        if (!source.path.Remove()) DebugLog(L"Could not remove " + source.path.str() + L"\n");
    } else {
        impl.bans.Ban(source.path);
        impl.lists.RemoveLocal(source.path);  // the user's own file stays where it is
    }
    QueueShow(ShowCurrent, true);  // the next picture stands where the banned one stood
}
