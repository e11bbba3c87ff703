#include "server/players/identity.h"

#include <clocale>
#include <cwctype>
#include <locale.h>
#include <openssl/evp.h>
#include <vector>

namespace {

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
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
        if (i + static_cast<size_t>(extra) >= n && extra > 0) return false;
        for (int k = 1; k <= extra; ++k) {
            unsigned char d = s[i + k];
            if ((d & 0xc0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3f);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || cp > 0x10ffff ||
            (cp >= 0xd800 && cp <= 0xdfff))
            return false;
        out.push_back(cp);
        i += extra + 1;
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

// glibc's C.UTF-8 classifies every script; the process locale stays "C".
locale_t unicodeLocale() {
    static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return loc;
}

} // namespace

bool checkPlayerName(const std::string& name, std::string& key, std::string& why) {
    if (name.size() > 80) {
        why = "a name is 2 to 20 characters";
        return false;
    }
    std::vector<char32_t> cps;
    if (!decodeUtf8(name, cps)) {
        why = "a name must be UTF-8 text";
        return false;
    }
    if (cps.size() < 2 || cps.size() > 20) {
        why = "a name is 2 to 20 characters";
        return false;
    }
    if (cps.front() == U' ' || cps.back() == U' ') {
        why = "a name cannot begin or end with a space";
        return false;
    }
    locale_t loc = unicodeLocale();
    key.clear();
    for (char32_t cp : cps) {
        bool allowed = cp == U' ' || cp == U'_' || cp == U'-' || cp == U'.';
        if (!allowed && loc) {
            auto wc = static_cast<wint_t>(cp);
            allowed = iswalpha_l(wc, loc) || iswdigit_l(wc, loc);
        } else if (!allowed) {
            allowed = (cp < 0x80 && std::isalnum(static_cast<int>(cp)));
        }
        if (!allowed) {
            why = "a name holds only letters, digits, space, '_', '-' and '.'";
            return false;
        }
        encodeUtf8(loc ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), loc)) : cp, key);
    }
    return true;
}

std::string bearerToken(const std::string& authorization) {
    const std::string prefix = "Bearer ";
    if (authorization.compare(0, prefix.size(), prefix) != 0) return "";
    std::string token = authorization.substr(prefix.size());
    if (token.size() < 43 || token.size() > 256) return "";
    for (char c : token) {
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                  c == '-' || c == '_' || c == '+' || c == '/' || c == '=';
        if (!ok) return "";
    }
    return token;
}

bool weakToken(const std::string& token) {
    bool hex = token.size() % 2 == 0;
    for (char c : token)
        hex = hex && ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
    auto value = [](char c) -> int {
        if (c >= 'A' && c <= 'Z') return c - 'A';
        if (c >= 'a' && c <= 'z') return c - 'a' + 26;
        if (c >= '0' && c <= '9') return c - '0' + 52;
        if (c == '+' || c == '-') return 62;
        if (c == '/' || c == '_') return 63;
        return -1; // '=' padding
    };
    bool seen[256] = {};
    int distinct = 0;
    auto count = [&](unsigned byte) {
        if (!seen[byte & 255]) ++distinct;
        seen[byte & 255] = true;
    };
    if (hex) {
        for (size_t i = 0; i + 1 < token.size(); i += 2)
            count(static_cast<unsigned>(std::stoi(token.substr(i, 2), nullptr, 16)));
    } else {
        unsigned bits = 0;
        int held = 0;
        for (char c : token) {
            int v = value(c);
            if (v < 0) break;
            bits = (bits << 6) | static_cast<unsigned>(v);
            held += 6;
            if (held >= 8) {
                held -= 8;
                count(bits >> held);
            }
        }
    }
    return distinct < 16;
}

std::string sha256(const void* data, size_t size) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(data, size, digest, &length, EVP_sha256(), nullptr);
    return std::string(reinterpret_cast<char*>(digest), length);
}

std::string hexOf(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}
