#include "desktop/skin/drawn_layout.h"

#include "base/localization.h"
#include "base/resource_source.h"
#include "base/xml.h"
#include "desktop/skin/drawn_elements.h"

namespace {

const wchar_t* const kFatal = L"Fatal Error";

}  // namespace

DrawnLayout::DrawnLayout(LayoutErrorReport report) : m_report(report ? std::move(report) : ShowLayoutError) {}

DrawnLayout::~DrawnLayout() = default;

bool DrawnLayout::Load(const std::wstring& resourceName, int dpi) {
    ResourceSource source;
    Bytes data;
    if (!source.LoadResourceData(L"XML", resourceName, data)) {
        m_elements.clear();
        m_report(L"Fatal Error: can't find layout information, Exit!", kFatal);
        return false;
    }
    return LoadDocument(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), source, dpi);
}

bool DrawnLayout::LoadDocument(std::string_view document, const ResourceSource& source, int dpi) {
    m_elements.clear();
    XmlError error;
    std::unique_ptr<TiXmlDocument> parsed = ParseXml(document, &error);
    if (!parsed) {
        m_report(error.noRoot ? L"Fatal Error: wrong format about layout information"
                              : FormatString(L"Fatal Error: error parsing about layout information : R%1C%2: %3, %4",
                                             {error.row, error.column, error.id, error.description}),
                 kFatal);
        return false;
    }
    for (const TiXmlElement* child = parsed->RootElement()->FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        std::unique_ptr<DrawnElement> element = CreateDrawnElement(child, m_report);
        if (!element) {
            m_report(FormatString(L"Error: unknown layout information : R%1C%2: <%3>",
                                  {child->Row(), child->Column(), ElementName(child)}),
                     L"Error");
            continue;
        }
        if (element->Parse(source, child, dpi)) m_elements.push_back(std::move(element));
    }
    return true;
}

bool DrawnLayout::Draw(HDC target, const RECT& container, const DrawnFields& fields) const {
    for (const auto& element : m_elements)
        if (!element->Draw(target, container, fields)) return false;
    return true;
}
