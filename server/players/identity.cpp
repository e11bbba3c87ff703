#include "server/players/identity.h"

#include <clocale>
#include <cwctype>
#include <locale.h>
#include <openssl/evp.h>
#include <vector>

#include "protocol/api.h"
#include "protocol/player_name.h"

namespace {

// glibc's C.UTF-8 classifies every script; the process locale stays "C".
locale_t unicodeLocale() {
    static locale_t loc = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    return loc;
}

const char* const kNameCharacters = "a name holds only letters, digits, space, '_', '-' and '.'";

} // namespace

bool checkPlayerName(const std::string& name, std::string& key, std::string& why) {
    std::vector<char32_t> cps;
    switch (protocol::checkNameShape(name, &cps)) {
    case protocol::NameShape::Ok:
        break;
    case protocol::NameShape::NotUtf8:
        why = "a name must be UTF-8 text";
        return false;
    case protocol::NameShape::Length:
        why = "a name is 2 to 20 characters";
        return false;
    case protocol::NameShape::EdgeSpace:
        why = "a name cannot begin or end with a space";
        return false;
    case protocol::NameShape::BadAscii:
        why = kNameCharacters;
        return false;
    }
    // The shape is the game's too; the letters of every script are judged
    // here alone.
    locale_t loc = unicodeLocale();
    key.clear();
    for (char32_t cp : cps) {
        bool allowed = cp < 0x80 || protocol::isNamePunctuation(cp);
        if (!allowed && loc) {
            auto wc = static_cast<wint_t>(cp);
            allowed = iswalpha_l(wc, loc) || iswdigit_l(wc, loc);
        }
        if (!allowed) {
            why = kNameCharacters;
            return false;
        }
        protocol::encodeUtf8(
            loc ? static_cast<char32_t>(towlower_l(static_cast<wint_t>(cp), loc)) : cp, key);
    }
    return true;
}

std::string bearerToken(const std::string& authorization) {
    const std::string prefix = protocol::kBearerPrefix;
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
