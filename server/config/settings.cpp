#include "server/config/settings.h"

#include <arpa/inet.h>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return "";
    size_t b = s.find_last_not_of(" \t\r\n");
    return s.substr(a, b - a + 1);
}

template <typename T> bool number(const std::string& text, T lo, T hi, T& out) {
    T v{};
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool listenAddress(const std::string& value, Settings& s) {
    size_t colon = value.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    int port = 0;
    if (!number(value.substr(colon + 1), 0, 65535, port)) return false;
    s.listenHost = value.substr(0, colon);
    s.listenPort = port;
    return true;
}

// "a, b c": addresses separated by commas or spaces.
bool addressList(const std::string& value, std::vector<std::string>& out) {
    std::vector<std::string> list;
    size_t i = 0;
    while (i < value.size()) {
        size_t end = value.find_first_of(", \t", i);
        if (end == std::string::npos) end = value.size();
        if (end > i) {
            std::string address = normalAddress(value.substr(i, end - i));
            if (address.empty()) return false;
            list.push_back(address);
        }
        i = end + 1;
    }
    out = list;
    return true;
}

struct Key {
    const char* name;
    const char* env;
};

constexpr Key kKeys[] = {
    {"db", "QUORVEX_DB"},
    {"listen", "QUORVEX_LISTEN"},
    {"workers", "QUORVEX_WORKERS"},
    {"verifier", "QUORVEX_VERIFIER"},
    {"data", "QUORVEX_DATA"},
    {"web", "QUORVEX_WEB"},
    {"http_threads", "QUORVEX_HTTP_THREADS"},
    {"db_connections", "QUORVEX_DB_CONNECTIONS"},
    {"connection_limit", "QUORVEX_CONNECTION_LIMIT"},
    {"connections_per_address", "QUORVEX_CONNECTIONS_PER_ADDRESS"},
    {"header_seconds", "QUORVEX_HEADER_SECONDS"},
    {"token_per_minute", "QUORVEX_TOKEN_PER_MINUTE"},
    {"token_burst", "QUORVEX_TOKEN_BURST"},
    {"address_per_minute", "QUORVEX_ADDRESS_PER_MINUTE"},
    {"address_burst", "QUORVEX_ADDRESS_BURST"},
    {"trusted_proxies", "QUORVEX_TRUSTED_PROXIES"},
    {"verify_cpu_seconds", "QUORVEX_VERIFY_CPU_SECONDS"},
    {"verify_wall_seconds", "QUORVEX_VERIFY_WALL_SECONDS"},
    {"verify_memory_mib", "QUORVEX_VERIFY_MEMORY_MIB"},
    {"verify_retries", "QUORVEX_VERIFY_RETRIES"},
    {"lease_seconds", "QUORVEX_LEASE_SECONDS"},
    {"request_seconds", "QUORVEX_REQUEST_SECONDS"},
    {"rejected_days", "QUORVEX_REJECTED_DAYS"},
};

} // namespace

std::string normalAddress(const std::string& text) {
    unsigned char bytes[16];
    char out[INET6_ADDRSTRLEN] = "";
    if (text.size() >= INET6_ADDRSTRLEN) return {};
    if (inet_pton(AF_INET, text.c_str(), bytes) == 1)
        return inet_ntop(AF_INET, bytes, out, sizeof out) ? out : std::string();
    if (inet_pton(AF_INET6, text.c_str(), bytes) != 1) return {};
    static const unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    if (std::memcmp(bytes, mapped, 12) == 0)
        return inet_ntop(AF_INET, bytes + 12, out, sizeof out) ? out : std::string();
    return inet_ntop(AF_INET6, bytes, out, sizeof out) ? out : std::string();
}

std::string addressGroup(const std::string& normal) {
    unsigned char bytes[16] = {};
    char out[INET6_ADDRSTRLEN] = "";
    if (normal.find(':') == std::string::npos || inet_pton(AF_INET6, normal.c_str(), bytes) != 1)
        return normal;
    // One subscriber gets a /64 and picks within it at will.
    std::memset(bytes + 8, 0, 8);
    return inet_ntop(AF_INET6, bytes, out, sizeof out) ? std::string(out) + "/64" : normal;
}

bool applySetting(const std::string& key, const std::string& value, Settings& s, std::string& why) {
    bool ok = true;
    if (key == "db") {
        s.db = value;
    } else if (key == "listen") {
        ok = listenAddress(value, s);
    } else if (key == "workers") {
        ok = number(value, 0, 256, s.workers);
    } else if (key == "verifier") {
        s.verifier = value;
    } else if (key == "data") {
        s.data = value;
    } else if (key == "web") {
        s.web = value;
    } else if (key == "http_threads") {
        ok = number(value, 1, 1024, s.httpThreads);
    } else if (key == "db_connections") {
        ok = number(value, 1, 1000, s.dbConnections);
    } else if (key == "connection_limit") {
        ok = number(value, 1, 100000, s.connectionLimit);
    } else if (key == "connections_per_address") {
        ok = number(value, 1, 100000, s.connectionsPerAddress);
    } else if (key == "header_seconds") {
        ok = number(value, 1, 3600, s.headerSeconds);
    } else if (key == "token_per_minute") {
        ok = number(value, 0.0, 1e9, s.tokenPerMinute);
    } else if (key == "token_burst") {
        ok = number(value, 1.0, 1e9, s.tokenBurst);
    } else if (key == "address_per_minute") {
        ok = number(value, 0.0, 1e9, s.addressPerMinute);
    } else if (key == "address_burst") {
        ok = number(value, 1.0, 1e9, s.addressBurst);
    } else if (key == "trusted_proxies") {
        ok = addressList(value, s.trustedProxies);
    } else if (key == "verify_cpu_seconds") {
        ok = number(value, 1, 86400, s.verifyCpuSeconds);
    } else if (key == "verify_wall_seconds") {
        ok = number(value, 1, 86400, s.verifyWallSeconds);
    } else if (key == "verify_memory_mib") {
        ok = number(value, 0L, 1L << 20, s.verifyMemoryMiB);
    } else if (key == "verify_retries") {
        ok = number(value, 0, 100, s.verifyRetries);
    } else if (key == "lease_seconds") {
        ok = number(value, 1, 86400, s.leaseSeconds);
    } else if (key == "request_seconds") {
        ok = number(value, 1, 3600, s.requestSeconds);
    } else if (key == "rejected_days") {
        ok = number(value, 0, 36500, s.rejectedDays);
    } else if (key == "clock") {
        // Checked where it is set (server/daily), which knows the form.
        ok = value.size() == 10 || value.size() == 20;
        s.clock = value;
    } else {
        why = "unknown setting \"" + key + "\"";
        return false;
    }
    if (!ok) why = "bad value \"" + value + "\" for " + key;
    return ok;
}

bool applySettingsFile(const std::string& path, Settings& s, std::string& why) {
    std::ifstream in(path);
    if (!in) {
        why = path + ": cannot be read";
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.resize(hash);
        line = trim(line);
        if (line.empty()) continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            why = path + ":" + std::to_string(number) + ": expected key = value";
            return false;
        }
        std::string problem;
        if (!applySetting(trim(line.substr(0, eq)), trim(line.substr(eq + 1)), s, problem)) {
            why = path + ":" + std::to_string(number) + ": " + problem;
            return false;
        }
    }
    return true;
}

bool applySettingsEnvironment(Settings& s, std::string& why) {
    for (const Key& k : kKeys) {
        const char* value = std::getenv(k.env);
        if (!value) continue;
        std::string problem;
        if (!applySetting(k.name, value, s, problem)) {
            why = std::string(k.env) + ": " + problem;
            return false;
        }
    }
    return true;
}
