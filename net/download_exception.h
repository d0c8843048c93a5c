#pragma once
// The one failure type of the service client that reaches the user: a kind of failure
// with its arguments, turned into a localised message when first asked for.
// windows.h first, always: it renames GetMessage to GetMessageW, and every file must see
// the same name for the member below.
#include <windows.h>

#include <string>
#include <vector>

#include "base/localization.h"

class DownloadException {
public:
    enum ErrorType {
        Error_Invalid_Url = 0,
        Error_Query_Status_Code = 1,
        Error_Unexpected_Status_Code = 2,
        Error_Internet_Exception = 3,
        Error_No_Internet_Connection = 4,
        Error_DownloadPartialFile = 5,
        Error_Unknown_Exception = 6,
        Error_Xml_Parse_Exception = 7,
        Error_Xml_Root_Not_Found = 8,
        Error_Xml_Server_Error = 9,
        Error_Xml_Attribute_Not_Found = 10,
        Error_Xml_Node_Not_Found = 11,
        Error_Empty_Image = 12,
        Error_Create_Directory = 13,
        Error_Save_Image = 14,
        Error_Query_Content_Length = 15,
        Error_Need_Login = 16,
        Error_Login_Fail = 17,
        Error_Abort = 18,
        Error_Invalid_Paper = 19,
        Error_Save_Update_File = 20,
        Error_Null_Parameter = 21,
        Error_Invalid_Pid = 22,
        Error_DB_Error = 23,
        Error_Too_Many_Favorites = 24,
        Error_Certificate_Not_Trusted = 25,
        Error_Web_Page_Answer = 26,
    };

    explicit DownloadException(ErrorType type) : m_type(type) {}

    // Arguments fill "%1", "%2", ... of the message, in the order they are added.
    DownloadException& operator<<(const FormatArg& argument) {
        m_arguments.push_back(argument);
        return *this;
    }

    ErrorType GetErrorType() const { return m_type; }
    // The localised message, formatted once and kept.
    const std::wstring& GetMessage() const;
    // "Error_..." for a known type, "Error_Unknown_Error" otherwise.
    static std::wstring StringIdOf(ErrorType type);

    // The service was not reached, or something else answered in its place (a proxy's or a
    // network sign-in page's status or web page): the service is away, not refusing.
    static bool MeansServiceAway(ErrorType type);

private:
    ErrorType m_type;
    std::vector<FormatArg> m_arguments;
    mutable std::wstring m_message;
    mutable bool m_formatted = false;
};
