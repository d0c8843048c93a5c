// Showing one of the favourites the menus list.
#include "app/controller.h"
#include "app/controller_impl.h"

void Controller::ShowFavoriteImage(const ImagePtr& image) {
    Post([image](Controller& c) {
        if (!image || !image->GetPath().Exists() || image->GetPath().IsDirectory()) return;
        // The next Previous or Next drops the override and goes on from the cursor.
        c.m_impl->lists.SetOverride(image);
        c.QueueShow(ShowCurrent, true);
        c.ChangeFreeze(true);
    });
}
