// The favourites the menus list, and showing one of them.
#include "app/controller.h"
#include "app/controller_impl.h"

FavoriteListPtr Controller::GetFavorites() const { return m_impl->lists.GetFavorites(); }

void Controller::ShowFavoriteImage(const ImagePtr& image) {
    if (!image || !image->GetPath().Exists() || image->GetPath().IsDirectory()) return;
    // The next Previous or Next drops the override and goes on from the cursor.
    m_impl->lists.SetOverride(image);
    ShowImage(ShowCurrent, true);
    SetFreeze(true);
}
