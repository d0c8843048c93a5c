#include <gtest/gtest.h>

#include "net/download_exception.h"

TEST(DownloadException, TypesMapToTheirStringIds) {
    EXPECT_EQ(DownloadException::StringIdOf(DownloadException::Error_Invalid_Url), L"Error_Invalid_Url");
    EXPECT_EQ(DownloadException::StringIdOf(DownloadException::Error_Need_Login), L"Error_Need_Login");
    EXPECT_EQ(DownloadException::StringIdOf(DownloadException::Error_Too_Many_Favorites), L"Error_Too_Many_Favorites");
    EXPECT_EQ(DownloadException::StringIdOf(DownloadException::Error_Certificate_Not_Trusted),
              L"Error_Certificate_Not_Trusted");
    EXPECT_EQ(DownloadException::StringIdOf(DownloadException::Error_Web_Page_Answer), L"Error_Web_Page_Answer");
    EXPECT_EQ(DownloadException::StringIdOf(static_cast<DownloadException::ErrorType>(99)), L"Error_Unknown_Error");
}

TEST(DownloadException, TheServiceIsAwayOnlyWhenItWasNotReachedOrSomethingElseAnswered) {
    using E = DownloadException;
    for (E::ErrorType away : {E::Error_No_Internet_Connection, E::Error_Internet_Exception, E::Error_Query_Status_Code,
                              E::Error_Unexpected_Status_Code, E::Error_DownloadPartialFile, E::Error_Xml_Parse_Exception,
                              E::Error_Xml_Root_Not_Found, E::Error_Certificate_Not_Trusted, E::Error_Web_Page_Answer})
        EXPECT_TRUE(E::MeansServiceAway(away)) << E::StringIdOf(away);
    // The service's own refusals, and our own failures, say nothing of its being there.
    for (E::ErrorType answered : {E::Error_Need_Login, E::Error_Xml_Server_Error, E::Error_Invalid_Paper,
                                  E::Error_Save_Image, E::Error_Create_Directory, E::Error_Abort, E::Error_Empty_Image})
        EXPECT_FALSE(E::MeansServiceAway(answered)) << E::StringIdOf(answered);
}
