#include "net/download_exception.h"

#include <map>

#include "base/localization.h"

std::wstring DownloadException::StringIdOf(ErrorType type) {
    static const std::map<ErrorType, const wchar_t*> ids = {
        {Error_Invalid_Url, L"Error_Invalid_Url"},
        {Error_Query_Status_Code, L"Error_Query_Status_Code"},
        {Error_Unexpected_Status_Code, L"Error_Unexpected_Status_Code"},
        {Error_Internet_Exception, L"Error_Internet_Exception"},
        {Error_No_Internet_Connection, L"Error_No_Internet_Connection"},
        {Error_DownloadPartialFile, L"Error_DownloadPartialFile"},
        {Error_Unknown_Exception, L"Error_Unknown_Exception"},
        {Error_Xml_Parse_Exception, L"Error_Xml_Parse_Exception"},
        {Error_Xml_Root_Not_Found, L"Error_Xml_Root_Not_Found"},
        {Error_Xml_Server_Error, L"Error_Xml_Server_Error"},
        {Error_Xml_Attribute_Not_Found, L"Error_Xml_Attribute_Not_Found"},
        {Error_Xml_Node_Not_Found, L"Error_Xml_Node_Not_Found"},
        {Error_Empty_Image, L"Error_Empty_Image"},
        {Error_Create_Directory, L"Error_Create_Directory"},
        {Error_Save_Image, L"Error_Save_Image"},
        {Error_Query_Content_Length, L"Error_Query_Content_Length"},
        {Error_Need_Login, L"Error_Need_Login"},
        {Error_Login_Fail, L"Error_Login_Fail"},
        {Error_Abort, L"Error_Abort"},
        {Error_Invalid_Paper, L"Error_Invalid_Paper"},
        {Error_Save_Update_File, L"Error_Save_Update_File"},
        {Error_Null_Parameter, L"Error_Null_Parameter"},
        {Error_Invalid_Pid, L"Error_Invalid_Pid"},
        {Error_DB_Error, L"Error_DB_Error"},
        {Error_Too_Many_Favorites, L"Error_Too_Many_Favorites"},
        {Error_Certificate_Not_Trusted, L"Error_Certificate_Not_Trusted"},
        {Error_Web_Page_Answer, L"Error_Web_Page_Answer"},
    };
    auto id = ids.find(type);
    return id == ids.end() ? L"Error_Unknown_Error" : id->second;
}

bool DownloadException::MeansServiceAway(ErrorType type) {
    switch (type) {
        case Error_Query_Status_Code:
        case Error_Unexpected_Status_Code:
        case Error_Internet_Exception:
        case Error_No_Internet_Connection:
        case Error_DownloadPartialFile:
        case Error_Xml_Parse_Exception:
        case Error_Xml_Root_Not_Found:
        case Error_Certificate_Not_Trusted:  // a sign-in page put in the way of a secure address
        case Error_Web_Page_Answer:
            return true;
        default:
            return false;
    }
}

const std::wstring& DownloadException::GetMessage() const {
    if (!m_formatted) {
        m_message = FormatString(GetString(StringIdOf(m_type)), m_arguments);
        m_formatted = true;
    }
    return m_message;
}
