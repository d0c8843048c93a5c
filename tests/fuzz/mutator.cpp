#include "fuzz/mutator.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

std::uint64_t Rng::Next() {
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::size_t Rng::RunLength(std::size_t max) {
    if (max <= 1) return 1;
    return OneIn(4) ? LongRun(max) : 1 + Below(std::min<std::size_t>(max, 8));
}

std::size_t Rng::LongRun(std::size_t max) {
    if (max <= 1) return 1;
    // Log-uniform: as many runs of 10..100 as of 10,000..100,000.
    double exponent = static_cast<double>(Next() % 1000000) / 1000000.0 * std::log(static_cast<double>(max));
    return std::max<std::size_t>(1, std::min<std::size_t>(max, static_cast<std::size_t>(std::exp(exponent))));
}

// A table of words, packed by hand: clang-format would give each a line of its own.
// clang-format off
const Tokens& InterestingNumbers() {
    static const Tokens numbers = {
        "0", "-1", "1", "-0", "+7", "  42", "255", "256", "32767", "65535", "65536", "2147483647", "2147483648",
        "-2147483648", "-2147483649", "4294967295", "4294967296", "9223372036854775807", "9223372036854775808",
        "-9223372036854775809", "99999999999999999999999999999999", "0x7fffffff", "0xFFFF", "0x10000", "017777",
        "1e308", "00000000000000000000000000000001", "12abc", "NaN"};
    return numbers;
}
// clang-format on

// A table of words, packed by hand: clang-format would give each a line of its own.
// clang-format off
const Tokens& XmlTokens() {
    static const Tokens tokens = {
        "<", ">", "/>", "</", "<a>", "</a>", "<a/>", "<!--", "-->", "<!-- - -->", "<![CDATA[", "]]>",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<?xml version='1.0' encoding='GB2312'?>", "<?", "?>",
        "<!DOCTYPE a [<!ENTITY e \"x\">]>", "&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#65;", "&#x0;", "&#xD800;",
        "&#xFFFFFFFF;", "&#99999999999;", "&", "&unknown;", "\"", "'", "=", " x=\"1\"", " x=\"/>\"", "%1", "%2", "%9",
        "%99", "%%", "%", "%1!s!", "%1!*.*s!", "%n", "%s%s%s%s", "%0", "\\", "\\n", "\xEF\xBB\xBF", "\xFF\xFE",
        "\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE9\xA3\x8E\xE5\x85\x89", "\r\n", "\r", "\n", "\t", " ",
        std::string(1, '\0')};
    return tokens;
}
// clang-format on

std::string Mutator::Mutate(std::string data, const std::string& other, const Tokens& tokens, Rng& rng) const {
    // Mostly one or two: each further mutation makes a well-formed document less likely.
    std::size_t count = 1;
    while (count < m_limits.maxStacked && rng.OneIn(2)) ++count;
    for (std::size_t i = 0; i < count; ++i) MutateOnce(data, other, tokens, rng);
    return data;
}

void Mutator::MutateOnce(std::string& data, const std::string& other, const Tokens& tokens, Rng& rng) const {
    enum Kind { kFlipBits, kByteRun, kTruncate, kSplice, kDuplicate, kErase, kSwapNumber, kToken, kNest };
    // The format's own words most often; deep nesting rarely, as deep documents are slow to
    // build and to parse. Without words, only the byte-level kinds.
    static const std::pair<Kind, std::size_t> kWeights[] = {{kFlipBits, 8},   {kByteRun, 8},   {kTruncate, 6},
                                                            {kSplice, 8},     {kDuplicate, 8}, {kErase, 8},
                                                            {kSwapNumber, 8}, {kToken, 24},    {kNest, 1}};
    std::size_t total = 0;
    for (const auto& [kind, weight] : kWeights) total += (kind >= kToken && tokens.empty()) ? 0 : weight;
    std::size_t pick = rng.Below(total);
    Kind chosen = kFlipBits;
    for (const auto& [kind, weight] : kWeights) {
        std::size_t w = (kind >= kToken && tokens.empty()) ? 0 : weight;
        if (pick < w) {
            chosen = kind;
            break;
        }
        pick -= w;
    }
    switch (chosen) {
        case kFlipBits:
            FlipBits(data, rng);
            break;
        case kByteRun:
            ByteRun(data, rng);
            break;
        case kTruncate:
            Truncate(data, rng);
            break;
        case kSplice:
            Splice(data, other, rng);
            break;
        case kDuplicate:
            Duplicate(data, rng);
            break;
        case kErase:
            Erase(data, rng);
            break;
        case kSwapNumber:
            SwapNumber(data, rng);
            break;
        case kToken:
            InsertToken(data, tokens, rng);
            break;
        case kNest:
            Nest(data, tokens, rng);
            break;
    }
    if (data.size() > m_limits.maxSize) data.resize(m_limits.maxSize);
}

void Mutator::FlipBits(std::string& data, Rng& rng) const {
    if (data.empty()) return;
    for (std::size_t flips = 1 + rng.Below(4); flips > 0; --flips)
        data[rng.Below(data.size())] ^= static_cast<char>(1u << rng.Below(8));
}

void Mutator::ByteRun(std::string& data, Rng& rng) const {
    static const std::string kBytes("\0\xFF<>/&%\"' \x80", 11);
    char byte = rng.OneIn(2) ? static_cast<char>(rng.Below(256)) : kBytes[rng.Below(kBytes.size())];
    Place(data, std::string(1, byte), rng.RunLength(m_limits.maxRun), rng);
}

void Mutator::Truncate(std::string& data, Rng& rng) const { data.resize(rng.Below(data.size() + 1)); }

void Mutator::Splice(std::string& data, const std::string& other, Rng& rng) const {
    std::size_t keep = rng.Below(data.size() + 1);
    std::size_t from = rng.Below(other.size() + 1);
    data = data.substr(0, keep) + other.substr(from);
}

void Mutator::Duplicate(std::string& data, Rng& rng) const {
    if (data.empty()) return;
    std::size_t start = rng.Below(data.size());
    std::size_t length = 1 + rng.Below(std::min<std::size_t>(data.size() - start, 4096));
    std::string region = data.substr(start, length);
    std::size_t count = rng.OneIn(4) ? rng.RunLength(m_limits.maxRun) : 1;
    std::size_t at = rng.Below(data.size() + 1);
    count = std::min(count, (m_limits.maxSize - std::min(m_limits.maxSize, data.size())) / region.size());
    std::string copies;
    copies.reserve(region.size() * count);
    for (std::size_t i = 0; i < count; ++i) copies += region;
    data.insert(at, copies);
}

void Mutator::Erase(std::string& data, Rng& rng) const {
    if (data.empty()) return;
    std::size_t start = rng.Below(data.size());
    data.erase(start, 1 + rng.Below(std::min<std::size_t>(data.size() - start, 256)));
}

void Mutator::InsertToken(std::string& data, const Tokens& tokens, Rng& rng) const {
    std::string piece = rng.Pick(tokens);
    // Pairs make structures that single tokens cannot: "/>" then "<a>", "<!--" then "]]>".
    if (rng.OneIn(3)) piece += rng.Pick(tokens);
    std::size_t count = rng.OneIn(4) ? rng.RunLength(m_limits.maxRun) : 1;
    Place(data, piece, count, rng);
}

void Mutator::Nest(std::string& data, const Tokens& tokens, Rng& rng) const {
    // Opening tags of the format: "<name>" or "<name attributes>", not empty ones.
    std::vector<const std::string*> openers;
    for (const std::string& token : tokens) {
        bool tag = token.size() >= 3 && token[0] == '<' && std::isalpha(static_cast<unsigned char>(token[1])) &&
                   token.back() == '>' && token[token.size() - 2] != '/';
        if (tag) openers.push_back(&token);
    }
    if (openers.empty()) return InsertToken(data, tokens, rng);
    // What stands between the levels: nothing, text, or markup that a nesting count might
    // misread, in text, comments, CDATA, processing instructions and attribute values.
    static const char* const kFillers[] = {"", "x", "/>", "<!---->", "<!--/>-->", "<![CDATA[/>]]>", "<?p/>?>"};
    std::string opener = *rng.Pick(openers);
    if (rng.OneIn(4)) opener.insert(opener.size() - 1, " v=\"/>\"");
    std::string level = opener + kFillers[rng.Below(sizeof kFillers / sizeof kFillers[0])];
    Place(data, level, rng.LongRun(m_limits.maxRun), rng);
}

void Mutator::SwapNumber(std::string& data, Rng& rng) const {
    const std::string& number = rng.Pick(InterestingNumbers());
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t start = rng.Below(data.size() + 1);
    while (start < data.size() && !isDigit(data[start])) ++start;
    if (start == data.size()) {
        Place(data, number, 1, rng);
        return;
    }
    std::size_t end = start;
    while (end < data.size() && isDigit(data[end])) ++end;
    data.replace(start, end - start, number);
}

void Mutator::Place(std::string& data, const std::string& piece, std::size_t count, Rng& rng) const {
    if (piece.empty()) return;
    std::size_t room = m_limits.maxSize - std::min(m_limits.maxSize, data.size());
    count = std::min(count, room / piece.size());
    if (count == 0) return;
    std::string run;
    run.reserve(piece.size() * count);
    for (std::size_t i = 0; i < count; ++i) run += piece;
    std::size_t at = rng.Below(data.size() + 1);
    if (rng.OneIn(3))
        data.replace(at, std::min(run.size(), data.size() - at), run);
    else
        data.insert(at, run);
}
