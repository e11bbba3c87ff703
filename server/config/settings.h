// The server's settings: defaults, then a config file, then environment
// variables, then the command line, each overriding the one before.
#pragma once

#include <string>
#include <vector>

struct Settings {
    std::string db = "dbname=quorvex";
    std::string listenHost = "127.0.0.1";
    int listenPort = 8080;
    int workers = 2;
    bool api = true;
    bool runWorkers = true;
    std::string verifier; // empty: beside the server executable
    std::string data = "data";
    std::string web; // the browser game's built folder; empty: not served
    int httpThreads = 16;
    int dbConnections = 10;         // the API's pool, whatever the thread count
    int connectionLimit = 1024;     // open HTTP connections in all
    int connectionsPerAddress = 64; // open HTTP connections from one address
    int headerSeconds = 5;          // a request's headers must be whole within this
    // Rate limits: sustained submissions per minute and burst; 0 turns one off.
    double tokenPerMinute = 30;
    double tokenBurst = 10;
    double addressPerMinute = 120;
    double addressBurst = 60;
    // Proxies whose X-Forwarded-For names the client (canonical addresses).
    std::vector<std::string> trustedProxies;
    // Verifier limits, sized for a 30-minute game at a modest replay speed.
    int verifyCpuSeconds = 180;
    int verifyWallSeconds = 300;
    long verifyMemoryMiB = 4096; // 0: no limit (sanitizer builds reserve terabytes)
    int verifyRetries = 3;
    int leaseSeconds = 360;
    int requestSeconds = 30; // a body must arrive within this
    int rejectedDays = 7;    // a rejected run's file is kept this long, its verdict for good
    // For tests: the server's clock starts at this UTC time
    // ("2026-12-10T23:59:58Z" or "2026-12-10") and runs on. Empty: the real clock.
    std::string clock;
};

// An IPv4 or IPv6 address in one canonical text (an IPv4 address mapped
// into IPv6 as IPv4); empty when the text is not an address.
std::string normalAddress(const std::string& text);
// What limits and fairness count as one client: an IPv4 address, or an
// IPv6 address's /64 ("2001:db8:1:2::/64"). Takes normalAddress's text.
std::string addressGroup(const std::string& normal);

// Applies "key = value" lines ('#' starts a comment). False with `why` set
// on an unknown key or a bad value.
bool applySettingsFile(const std::string& path, Settings& s, std::string& why);
// Applies QUORVEX_* environment variables.
bool applySettingsEnvironment(Settings& s, std::string& why);
// Applies one setting by its file name (e.g. "workers", "listen").
bool applySetting(const std::string& key, const std::string& value, Settings& s, std::string& why);
