#include "online/commands.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "online/api.h"
#include "online/http_client.h"
#include "online/outbox.h"
#include "platform/user_files.h"

namespace online {

namespace {

constexpr int kRefused = 1;
constexpr int kBadInput = 2;
constexpr int kUnreachable = 3;

// The account from online.ini, or why it cannot be used.
bool readAccount(const std::string& configFile, Account& a, std::string& why) {
    std::string bad;
    OnlineConfig c = loadConfig(configFile, &bad);
    if (!bad.empty()) {
        why = bad;
        return false;
    }
    if (!c.enabled) {
        why = "Online is off: set enabled = 1 in " + configFile;
        return false;
    }
    why = checkServer(c.server);
    if (why.empty()) why = checkName(c.name);
    if (!why.empty()) {
        why += " (" + configFile + ")";
        return false;
    }
    if (ensureToken(c) && !saveConfig(configFile, c, &why)) return false;
    a = Account{c.server, c.name, c.token};
    return true;
}

} // namespace

int submitCommand(const std::string& file, const std::string& configFile,
                  const std::string& outboxDir) {
    initHttp();
    Account a;
    std::string why;
    if (!readAccount(configFile, a, why)) {
        std::fprintf(stderr, "quorvex: %s\n", why.c_str());
        return kBadInput;
    }
    std::string bytes;
    platform::ReadStatus st = platform::readFileLimited(file, 1024 * 1024, bytes, &why);
    if (st != platform::ReadStatus::Ok) {
        std::fprintf(stderr, "quorvex: %s: %s\n", file.c_str(),
                     st == platform::ReadStatus::TooBig    ? "larger than the server takes (1 MiB)"
                     : st == platform::ReadStatus::Missing ? "no such file"
                                                           : why.c_str());
        return kBadInput;
    }
    SubmitResult r = submitRun(a, bytes, nullptr);
    if (r.kind == SubmitResult::Refused || r.kind == SubmitResult::NameTaken) {
        std::printf("refused: %s\n", r.reason.c_str());
        return kRefused;
    }
    if (r.kind != SubmitResult::Taken) {
        std::fprintf(stderr, "quorvex: %s cannot be reached: %s\n", a.server.c_str(),
                     r.reason.c_str());
        return kUnreachable;
    }
    // A file the game had set aside (an older server refused it) is sent now.
    if (takeBackRefused(outboxDir, file)) std::printf("sent again: %s\n", file.c_str());
    // A verdict usually comes within seconds; a long game may take longer.
    std::string status = r.status;
    RunInfo info;
    for (int i = 0; i < 40 && (status == "queued" || status == "verifying" || status.empty());
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        info = runInfo(a.server, r.id, nullptr);
        if (info.ok) status = info.status;
    }
    if (status == "verified") {
        if (!info.ok) info = runInfo(a.server, r.id, nullptr);
        std::printf("verified rank %d (run %lld)\n", info.rank, static_cast<long long>(r.id));
    } else if (status == "rejected") {
        if (!info.ok) info = runInfo(a.server, r.id, nullptr);
        std::printf("rejected: %s (run %lld)\n", info.reason.c_str(), static_cast<long long>(r.id));
        return kRefused;
    } else {
        std::printf("queued (run %lld)\n", static_cast<long long>(r.id));
    }
    return 0;
}

int onlineCommand(const std::string& configFile, const std::string& outboxDir) {
    initHttp();
    std::vector<std::string> waiting = waitingRuns(outboxDir);
    std::printf("Outbox %s: %zu waiting\n", outboxDir.c_str(), waiting.size());
    for (const std::string& f : waiting)
        std::printf("  waiting  %s\n", f.c_str());
    auto refused = refusedRuns(outboxDir);
    for (const auto& [f, reason] : refused)
        std::printf("  refused  %s: %s\n", f.c_str(), reason.c_str());
    // A server may take later what it refused (an update brings newer rules).
    if (!refused.empty())
        std::printf("  send one again with: quorvex --submit %s/refused/FILE\n", outboxDir.c_str());
    Account a;
    std::string why;
    if (!readAccount(configFile, a, why)) {
        std::fprintf(stderr, "quorvex: %s\n", why.c_str());
        return kBadInput;
    }
    PlayerInfo p = playerInfo(a.server, a.name, nullptr);
    if (!p.ok) {
        std::fprintf(stderr, "quorvex: %s cannot be reached: %s\n", a.server.c_str(),
                     p.error.c_str());
        return kUnreachable;
    }
    std::printf("%s on %s:\n", a.name.c_str(), a.server.c_str());
    if (p.best.empty()) std::printf("  no verified runs yet\n");
    for (const BestRun& b : p.best)
        std::printf("  %-24s rank %d: %d points in %.1f s (run %lld)\n", b.board.c_str(), b.rank,
                    b.score, b.time, static_cast<long long>(b.run));
    return 0;
}

int forgetCommand(const std::string& configFile) {
    initHttp();
    std::string why;
    OnlineConfig c = loadConfig(configFile, &why);
    if (!why.empty()) {
        std::fprintf(stderr, "quorvex: %s\n", why.c_str());
        return kBadInput;
    }
    if (c.token.empty()) {
        std::printf("no token: nothing to forget\n");
        return 0;
    }
    why = checkServer(c.server);
    if (!why.empty()) {
        std::fprintf(stderr, "quorvex: %s (%s)\n", why.c_str(), configFile.c_str());
        return kBadInput;
    }
    std::string message;
    if (!forgetPlayer(Account{c.server, c.name, c.token}, message, nullptr)) {
        std::fprintf(stderr, "quorvex: %s did not forget you: %s\n", c.server.c_str(),
                     message.c_str());
        return kUnreachable;
    }
    c.token.clear();
    c.enabled = false;
    if (!saveConfig(configFile, c, &why)) {
        std::fprintf(stderr, "quorvex: %s\n", why.c_str());
        return kBadInput;
    }
    std::printf("%s; the token is deleted and Online is off\n", message.c_str());
    return 0;
}

} // namespace online
