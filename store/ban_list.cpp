#include "store/ban_list.h"

#include <windows.h>

#include <tinyxml.h>

#include <algorithm>

#include "base/debug_log.h"
#include "base/file_io.h"
#include "base/text.h"
#include "base/xml.h"

namespace {

constexpr std::uint64_t kMaxFileBytes = 64u << 20;  // some hundred thousand entries
const char kRoot[] = "BannedPictures";

std::wstring Folded(const Path& path) {
    std::wstring text = path.str();
    if (!text.empty())
        LCMapStringW(LOCALE_INVARIANT, LCMAP_LOWERCASE, text.c_str(), static_cast<int>(text.size()), &text[0],
                     static_cast<int>(text.size()));
    return text;
}

}  // namespace

bool BanList::Load() {
    auto ids = std::make_shared<std::set<int>>();
    m_paths.clear();
    m_ids = ids;
    std::optional<std::string> bytes = ReadFileBytes(m_file, kMaxFileBytes);
    if (!bytes) {
        if (!m_file.Exists()) return true;
    } else if (std::unique_ptr<TiXmlDocument> document = ParseXml(*bytes)) {
        const TiXmlElement* root = document->RootElement();
        if (root && root->ValueStr() == kRoot) {
            for (const TiXmlElement* entry = root->FirstChildElement(); entry; entry = entry->NextSiblingElement()) {
                if (entry->ValueStr() == "Image") {
                    std::optional<std::wstring> pid = AttributeText(entry, "pid");
                    const int id = pid ? ParseInt(Trim(*pid)) : -1;
                    if (id > 0) ids->insert(id);
                } else if (entry->ValueStr() == "Picture") {
                    std::optional<std::wstring> path = AttributeText(entry, "path");
                    if (path && !path->empty()) m_paths.emplace(Folded(Path(*path)), Path(*path));
                }
            }
            return true;
        }
    }
    // Not a list we can read: kept for the user, and a new one begins with the next ban.
    DebugLog(L"The ban list is not readable; kept as .bad: " + m_file.str() + L"\n");
    const Path aside(m_file.str() + L".bad");
    if (!MoveFileExW(m_file.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING)) LogLastError(L"MoveFileExW");
    return false;
}

bool BanList::IsBanned(const Path& picture) const { return m_paths.count(Folded(picture)) != 0; }

bool BanList::Ban(int pid) {
    if (pid <= 0 || IsBanned(pid)) return pid > 0;
    auto ids = std::make_shared<std::set<int>>(*m_ids);
    ids->insert(pid);
    m_ids = ids;
    return Save();
}

bool BanList::Ban(const Path& picture) {
    if (picture.str().empty()) return false;
    if (!m_paths.emplace(Folded(picture), picture).second) return true;
    return Save();
}

ImageListPtr BanList::Without(const ImageListPtr& images) const {
    if (!images || (m_ids->empty() && m_paths.empty())) return images;
    auto kept = std::make_shared<ImageList>();
    std::copy_if(images->begin(), images->end(), std::back_inserter(*kept), [this](const ImagePtr& image) {
        return !image || !(IsBanned(image->GetId()) || IsBanned(image->GetPath()));
    });
    if (kept->size() == images->size()) return images;
    return kept;
}

bool BanList::Save() const {
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    TiXmlElement* root = document.LinkEndChild(new TiXmlElement(kRoot))->ToElement();
    for (int id : *m_ids) {
        TiXmlElement* entry = root->LinkEndChild(new TiXmlElement("Image"))->ToElement();
        SetAttribute(entry, "pid", std::to_wstring(id));
    }
    for (const auto& path : m_paths) {
        TiXmlElement* entry = root->LinkEndChild(new TiXmlElement("Picture"))->ToElement();
        SetAttribute(entry, "path", path.second.str());
    }
    if (WriteFileAtomically(m_file, PrintXml(document))) return true;
    DebugLog(L"The ban list could not be written: " + m_file.str() + L"\n");
    return false;
}
