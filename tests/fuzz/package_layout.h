#pragma once
// A package file taken apart into its plain parts and put together again, so that the
// mutations reach the header text, the picture and the length fields behind the cipher.
#include <cstdint>
#include <string>

#include "fuzz/mutator.h"

struct PackageLayout {
    enum class Form { Current, Legacy, Unknown };

    // Current: magic, 16-bit header length, key, enciphered header, enciphered payload.
    // Legacy: everything enciphered with the file's lower-case name as the key; the content
    // is the payload's 32-bit length, the name again, then the payload.
    static PackageLayout Decode(const std::string& file, const std::string& fileName);
    std::string Encode() const;

    // The header length (current) or the payload length (legacy) set to an edge value.
    void ChangeLengthField(Rng& rng);
    void ChangeKey(Rng& rng);

    Form form = Form::Unknown;
    std::string key;                   // current: the 16 bytes from the file; legacy: the file name
    std::string header;                // plain header text, block padding removed
    std::string payload;               // plain payload, block padding included
    std::string legacyName;            // legacy: the name as the content repeats it
    std::uint32_t declaredLength = 0;  // what the length field says
    bool lengthChanged = false;        // keep declaredLength instead of the real length
    std::string raw;                   // Unknown: the bytes as they were
};
