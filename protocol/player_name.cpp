#include "protocol/player_name.h"

namespace protocol {

bool decodeUtf8(const std::string& text, std::vector<char32_t>& out) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    size_t n = text.size();
    for (size_t i = 0; i < n;) {
        unsigned char c = s[i];
        int extra;
        char32_t cp;
        if (c < 0x80) {
            extra = 0;
            cp = c;
        } else if (c >= 0xc2 && c <= 0xdf) {
            extra = 1;
            cp = c & 0x1f;
        } else if (c >= 0xe0 && c <= 0xef) {
            extra = 2;
            cp = c & 0x0f;
        } else if (c >= 0xf0 && c <= 0xf4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (extra > 0 && i + static_cast<size_t>(extra) >= n) return false;
        for (int k = 1; k <= extra; ++k) {
            unsigned char d = s[i + k];
            if ((d & 0xc0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3f);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10ffff ||
            (cp >= 0xd800 && cp <= 0xdfff))
            return false;
        out.push_back(cp);
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

void encodeUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xc0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xe0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (cp & 0x3f));
    }
}

bool isNamePunctuation(char32_t cp) {
    return cp == U' ' || cp == U'_' || cp == U'-' || cp == U'.';
}

NameShape checkNameShape(const std::string& name, std::vector<char32_t>* codePoints, char* bad) {
    if (name.size() > kNameMaxBytes) return NameShape::Length;
    std::vector<char32_t> own;
    std::vector<char32_t>& cps = codePoints ? *codePoints : own;
    cps.clear();
    if (!decodeUtf8(name, cps)) return NameShape::NotUtf8;
    if (cps.size() < kNameMinChars || cps.size() > kNameMaxChars) return NameShape::Length;
    if (cps.front() == U' ' || cps.back() == U' ') return NameShape::EdgeSpace;
    for (char32_t cp : cps) {
        bool alnum =
            (cp >= U'0' && cp <= U'9') || (cp >= U'a' && cp <= U'z') || (cp >= U'A' && cp <= U'Z');
        if (cp < 0x80 && !alnum && !isNamePunctuation(cp)) {
            if (bad) *bad = static_cast<char>(cp);
            return NameShape::BadAscii;
        }
    }
    return NameShape::Ok;
}

} // namespace protocol
