#include <gtest/gtest.h>

#include "net/download_exception.h"

TEST(DownloadException, TypesMapToTheirStringIds) {
    EXPECT_EQ(DownloadException::StringIdOf(DownloadException::Error_Invalid_Url), L"Error_Invalid_Url");
    EXPECT_EQ(DownloadException::StringIdOf(DownloadException::Error_Need_Login), L"Error_Need_Login");
    EXPECT_EQ(DownloadException::StringIdOf(DownloadException::Error_Too_Many_Favorites), L"Error_Too_Many_Favorites");
    EXPECT_EQ(DownloadException::StringIdOf(DownloadException::Error_Certificate_Not_Trusted),
              L"Error_Certificate_Not_Trusted");
    EXPECT_EQ(DownloadException::StringIdOf(static_cast<DownloadException::ErrorType>(99)), L"Error_Unknown_Error");
}
