#pragma once
// How deep the XML parser's recursion would go on a text, found without recursing. TinyXML
// parses nested elements recursively, so a hostile document of nested elements overflows the
// stack; this scanner follows the parser's own reading rules (text, entities, multi-byte
// characters, comments, CDATA, declarations, unknown tags, attribute values) to count only the
// elements the parser itself would open, up to the point where it would stop.

// text is zero-terminated and followed by at least three more zero bytes, as the parser gets it.
// True when the parser would have more than limit elements open at some point.
bool ParserWouldNestDeeperThan(const char* text, int limit);
