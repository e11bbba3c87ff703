// What a player name is before anyone judges its letters: strict UTF-8 of
// 2 to 20 characters, no space at either end, and of ASCII only letters,
// digits, space, '_', '-' and '.'. The game checks this before sending; the
// server checks it again and judges the letters of other scripts itself.
#pragma once

#include <string>
#include <vector>

namespace protocol {

inline constexpr size_t kNameMinChars = 2;
inline constexpr size_t kNameMaxChars = 20;
// More bytes than 20 characters can take: refused before decoding.
inline constexpr size_t kNameMaxBytes = 80;

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool decodeUtf8(const std::string& text, std::vector<char32_t>& out);
void encodeUtf8(char32_t cp, std::string& out);

// Space, '_', '-' and '.': what a name may hold beside letters and digits.
bool isNamePunctuation(char32_t cp);

enum class NameShape {
    Ok,
    NotUtf8,
    Length,    // not 2-20 characters
    EdgeSpace, // a space at the start or the end
    BadAscii,  // an ASCII character other than a letter, digit or the punctuation
};

// The first fault found, in this order. `codePoints` (when given) gets the
// decoded name; `bad` the offending character for BadAscii.
NameShape checkNameShape(const std::string& name, std::vector<char32_t>* codePoints = nullptr,
                         char* bad = nullptr);

} // namespace protocol
