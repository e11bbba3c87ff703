#include "online/online_config.h"

#include <ini.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/user_files.h"
#include "protocol/player_name.h"

namespace online {

const char* const kNameRules = "2-20 letters or digits, space, _ - . (no space at either end)";

namespace {

constexpr size_t kMaxConfigBytes = 64 * 1024;

int onValue(void* user, const char* section, const char* key, const char* value) {
    auto* c = static_cast<OnlineConfig*>(user);
    if (section[0] != '\0') return 1;
    if (std::strcmp(key, "enabled") == 0) {
        if (std::strcmp(value, "1") == 0)
            c->enabled = true;
        else if (std::strcmp(value, "0") == 0)
            c->enabled = false;
        else
            return 0;
    } else if (std::strcmp(key, "server") == 0) {
        c->server = value;
        // "http://host:8080/" names the same server.
        while (!c->server.empty() && c->server.back() == '/')
            c->server.pop_back();
    } else if (std::strcmp(key, "name") == 0) {
        c->name = value;
    } else if (std::strcmp(key, "token") == 0) {
        c->token = value;
    } else if (std::strcmp(key, "asked") == 0) {
        c->asked = std::strcmp(value, "1") == 0;
    }
    // Keys from later versions are passed over.
    return 1;
}

bool isHexToken(const std::string& t) {
    if (t.size() < 64 || t.size() > 256) return false;
    for (char ch : t)
        if (!((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F')))
            return false;
    return true;
}

} // namespace

std::string configPath() {
    std::string dir = platform::userConfigDir();
    return dir.empty() ? std::string() : dir + "/online.ini";
}

std::string outboxPath() {
    std::string dir = platform::userDataDir();
    return dir.empty() ? std::string() : dir + "/outbox";
}

OnlineConfig loadConfig(const std::string& path, std::string* why) {
    OnlineConfig c;
    if (path.empty()) return c;
    std::string text;
    std::string readWhy;
    platform::ReadStatus st = platform::readFileLimited(path, kMaxConfigBytes, text, &readWhy);
    if (st == platform::ReadStatus::Missing) return c;
    int line = -1;
    if (st == platform::ReadStatus::Ok) line = ini_parse_string(text.c_str(), onValue, &c);
    if (st == platform::ReadStatus::Ok && line == 0 && (c.token.empty() || isHexToken(c.token)))
        return c;
    std::string moved;
    platform::moveAside(path, moved);
    if (why) {
        char at[64] = "";
        if (line > 0) std::snprintf(at, sizeof at, " (line %d)", line);
        *why = path + " cannot be read" + at + "; moved aside to " + moved + ", Online is off";
    }
    return OnlineConfig{};
}

bool saveConfig(const std::string& path, const OnlineConfig& c, std::string* why) {
    std::string dir = path.substr(0, path.rfind('/'));
    if (!platform::makePrivateDirs(dir, why)) return false;
    std::string text = "# Quorvex Online: the leaderboard server and who you are on it.\n"
                       "# The token is your password there: keep this file to yourself.\n";
    text += std::string("enabled = ") + (c.enabled ? "1" : "0") + "\n";
    text += "server = " + c.server + "\n";
    text += "name = " + c.name + "\n";
    text += "token = " + c.token + "\n";
    if (c.asked) text += "asked = 1\n";
    return platform::writeFileSafely(path, text.data(), text.size(), why);
}

bool ensureToken(OnlineConfig& c) {
    if (!c.token.empty()) return false;
    uint8_t bytes[32];
    if (!platform::randomBytes(bytes, sizeof bytes)) return false;
    static const char* hex = "0123456789abcdef";
    std::string t;
    for (uint8_t b : bytes) {
        t += hex[b >> 4];
        t += hex[b & 15];
    }
    c.token = t;
    return true;
}

std::string checkName(const std::string& name) {
    // Letters of other scripts are judged by the server.
    char bad = 0;
    switch (protocol::checkNameShape(name, nullptr, &bad)) {
    case protocol::NameShape::Ok:
        return "";
    case protocol::NameShape::NotUtf8:
        return "the name is not UTF-8";
    case protocol::NameShape::Length:
        return "the name must be 2-20 characters";
    case protocol::NameShape::EdgeSpace:
        return "the name may not start or end with a space";
    case protocol::NameShape::BadAscii:
        break;
    }
    return std::string("the name may not hold '") + bad + "'";
}

std::string checkServer(const std::string& server) {
    size_t hostAt = 0;
    if (server.rfind("http://", 0) == 0)
        hostAt = 7;
    else if (server.rfind("https://", 0) == 0)
        hostAt = 8;
    else
        return "the server address must start with http:// or https://";
    if (hostAt >= server.size() || server[hostAt] == '/' || server[hostAt] == ':')
        return "the server address names no host";
    for (char ch : server)
        if (static_cast<unsigned char>(ch) <= ' ' || ch == '?' || ch == '#')
            return "the server address holds a space, '?' or '#'";
    return "";
}

} // namespace online
