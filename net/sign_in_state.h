#pragma once
// What a sign-in state answer said. The settings hold the state and the record already; the
// favourites are the receiver's to keep.
#include <functional>

#include "config/settings.h"
#include "store/image.h"

struct SignInData {
    bool signedIn = false;
    Settings::LoginRecord record;
    FavoriteListPtr favorites;  // null when the answer said nothing about them
};
using SignInCallback = std::function<void(const SignInData& data)>;
