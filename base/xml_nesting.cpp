#include "base/xml_nesting.h"

#include <cctype>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

// The parser's character classes, with the same C library calls it makes.
bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) || c == '\n' || c == '\r'; }
bool IsNameStart(unsigned char c) { return c >= 127 ? true : (std::isalpha(c) || c == '_'); }
bool IsNameChar(unsigned char c) {
    return c >= 127 ? true : (std::isalnum(c) || c == '_' || c == '-' || c == '.' || c == ':');
}

bool StartsWith(const char* p, const char* prefix) {
    while (*p && *prefix && *p == *prefix) ++p, ++prefix;
    return *prefix == 0;
}

bool StartsWithIgnoringCase(const char* p, const char* prefix) {
    auto lower = [](char c) { return static_cast<unsigned char>(c) < 128 ? std::tolower(c) : c; };
    while (*p && *prefix && lower(*p) == lower(*prefix)) ++p, ++prefix;
    return *prefix == 0;
}

// Blanks, and the byte-order marks the parser also skips as if they were blanks.
const char* SkipSpace(const char* p) {
    for (;;) {
        const auto* u = reinterpret_cast<const unsigned char*>(p);
        if (u[0] == 0xEF && ((u[1] == 0xBB && u[2] == 0xBF) || (u[1] == 0xBF && (u[2] == 0xBE || u[2] == 0xBF)))) {
            p += 3;
        } else if (*p && IsSpace(*p)) {
            ++p;
        } else {
            return p;
        }
    }
}

const char* ReadName(const char* p) {
    if (!*p || !IsNameStart(static_cast<unsigned char>(*p))) return nullptr;
    while (*p && IsNameChar(static_cast<unsigned char>(*p))) ++p;
    return p;
}

// A numeric character reference: the parser looks for the next ';' anywhere after it and
// checks only the digits back to the nearest marker ('x' or '#'), so it can step over
// anything, quotes and tags included. Null where the parser gives up.
const char* SkipNumericReference(const char* p) {
    const bool hex = p[2] == 'x';
    if (hex && !p[3]) return nullptr;
    const char* semicolon = std::strchr(p + (hex ? 3 : 2), ';');
    if (!semicolon) return nullptr;
    for (const char* q = semicolon - 1; *q != (hex ? 'x' : '#'); --q) {
        if (!(hex ? std::isxdigit(static_cast<unsigned char>(*q)) : (*q >= '0' && *q <= '9'))) return nullptr;
    }
    return semicolon + 1;
}

// One character of text as the parser reads it: a whole multi-byte sequence by its lead byte
// (whatever follows), or a character reference. Null where the parser gives up.
const char* NextCharacter(const char* p) {
    const unsigned char lead = static_cast<unsigned char>(*p);
    if (lead >= 0xF0 && lead <= 0xF4) return p + 4;
    if (lead >= 0xE0 && lead <= 0xEF) return p + 3;
    if (lead >= 0xC2 && lead <= 0xDF) return p + 2;
    if (lead != '&') return p + 1;
    if (p[1] == '#' && p[2]) return SkipNumericReference(p);
    for (const char* entity : {"&amp;", "&lt;", "&gt;", "&quot;", "&apos;"})
        if (std::strncmp(entity, p, std::strlen(entity)) == 0) return p + std::strlen(entity);
    return p + 1;
}

// Text up to and past end, read character by character. Null where the parser gives up.
const char* ReadTextPast(const char* p, const char* end) {
    while (p && *p && !StartsWith(p, end)) p = NextCharacter(p);
    if (!p || !*p) return nullptr;
    return p + std::strlen(end);
}

// Bytes up to and past end, with no character rules (comments, CDATA). Null at the text's end.
const char* SkipPast(const char* p, const char* end) {
    const char* found = std::strstr(p, end);
    return found ? found + std::strlen(end) : nullptr;
}

// name = 'value', name = "value" or name = value. Null where the parser gives up.
const char* SkipAttribute(const char* p) {
    p = ReadName(SkipSpace(p));
    if (!p || !*p) return nullptr;
    p = SkipSpace(p);
    if (*p != '=') return nullptr;
    p = SkipSpace(p + 1);
    if (*p == '\'' || *p == '"') {
        const char quote[2] = {*p, 0};
        return ReadTextPast(p + 1, quote);
    }
    while (*p && !IsSpace(*p) && *p != '/' && *p != '>') {
        if (*p == '\'' || *p == '"') return nullptr;
        ++p;
    }
    return *p ? p : nullptr;
}

// "<?xml ...": up to a '>' outside the values of version, encoding and standalone.
const char* SkipDeclaration(const char* p) {
    p += 5;
    while (p && *p) {
        if (*p == '>') return p + 1;
        p = SkipSpace(p);
        if (!*p) return nullptr;
        if (StartsWithIgnoringCase(p, "version") || StartsWithIgnoringCase(p, "encoding") ||
            StartsWithIgnoringCase(p, "standalone")) {
            p = SkipAttribute(p);
        } else {
            while (*p && *p != '>' && !IsSpace(*p)) ++p;
        }
    }
    return nullptr;
}

// The parser's recursion replayed with a stack of the open elements' names.
class Scanner {
public:
    Scanner(const char* text, int limit) : m_p(text), m_limit(limit) {}

    bool TooDeep() {
        for (;;) {
            if (m_open.empty()) {
                // The document: nodes one after another until something that is not a tag.
                m_p = SkipSpace(m_p);
                if (*m_p != '<' || !Node()) break;
            } else if (!Content()) {
                break;
            }
        }
        return m_tooDeep;
    }

private:
    // The node at m_p ('<'); an element's start tag only, its content comes after. False where
    // the parser stops: an error, the end of the text, or too deep.
    bool Node() {
        const char* p = m_p;
        if (StartsWithIgnoringCase(p, "<?xml")) return Advance(SkipDeclaration(p));
        if (StartsWith(p, "<!--")) return Advance(SkipPast(p + 4, "-->"));
        if (StartsWith(p, "<![CDATA[")) return Advance(SkipPast(p + 9, "]]>"));
        if (p[1] && IsNameStart(static_cast<unsigned char>(p[1]))) return StartTag();
        // "<!..." and anything else: an unknown tag up to the next '>'.
        return Advance(SkipPast(p + 1, ">"));
    }

    bool Advance(const char* p) {
        m_p = p;
        return p && *p;
    }

    // "<name attributes" up to "/>" (closed at once) or ">" (opened).
    bool StartTag() {
        const char* name = SkipSpace(m_p + 1);  // a byte-order mark here is skipped as a blank
        const char* p = ReadName(name);
        if (!p || !*p) return false;
        m_open.emplace_back(name, static_cast<size_t>(p - name));
        if (static_cast<int>(m_open.size()) > m_limit) {
            m_tooDeep = true;
            return false;
        }
        for (;;) {
            p = SkipSpace(p);
            if (!*p) return false;
            if (*p == '/') {
                if (p[1] != '>') return false;
                m_open.pop_back();
                return Advance(p + 2);
            }
            if (*p == '>') return Advance(p + 1);
            p = SkipAttribute(p);
            if (!p || !*p) return false;
        }
    }

    // What follows inside the innermost open element: text, a child node, or its end tag.
    bool Content() {
        const char* p = SkipSpace(m_p);
        if (!*p) return false;
        if (*p != '<') {
            // Text up to the next '<', read as characters from before the blanks.
            p = ReadTextPast(m_p, "<");
            return p && *p && Advance(p - 1);
        }
        m_p = p;
        if (!StartsWith(p, "</")) return Node();
        // The end tag must name the innermost open element: "</name" blanks ">".
        const std::string_view& name = m_open.back();
        if (std::strncmp(p + 2, name.data(), name.size()) != 0) return false;
        p = SkipSpace(p + 2 + name.size());
        if (*p != '>') return false;
        m_open.pop_back();
        return Advance(p + 1);
    }

    const char* m_p;
    const int m_limit;
    std::vector<std::string_view> m_open;
    bool m_tooDeep = false;
};

}  // namespace

bool ParserWouldNestDeeperThan(const char* text, int limit) { return Scanner(text, limit).TooDeep(); }
