#include "online/outbox.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>

#include "platform/user_files.h"

namespace online {

namespace {

bool isRunFile(const std::string& n) {
    return n.size() > 8 && n.rfind("run-", 0) == 0 && n.compare(n.size() - 4, 4, ".qvr") == 0;
}

} // namespace

bool addToOutbox(const std::string& dir, const std::vector<uint8_t>& replay, std::string& file,
                 std::string* why) {
    if (dir.empty()) {
        if (why) *why = "no home folder to keep the outbox in";
        return false;
    }
    if (!platform::makePrivateDirs(dir, why)) return false;
    // Time first so that names sort oldest first; random so that two copies
    // of the game never pick the same name.
    uint8_t r[4] = {};
    platform::randomBytes(r, sizeof r);
    char name[64];
    std::snprintf(name, sizeof name, "run-%" PRId64 "-%02x%02x%02x%02x.qvr",
                  platform::unixTimeNow(), r[0], r[1], r[2], r[3]);
    file = name;
    return platform::writeFileSafely(dir + "/" + file, replay.data(), replay.size(), why);
}

std::vector<std::string> waitingRuns(const std::string& dir) {
    std::vector<std::string> names;
    std::vector<std::string> runs;
    if (dir.empty() || !platform::listFiles(dir, names)) return runs;
    for (const std::string& n : names)
        if (isRunFile(n)) runs.push_back(n);
    return runs;
}

void markSent(const std::string& dir, const std::string& file) {
    platform::removeFile(dir + "/" + file);
}

void markRefused(const std::string& dir, const std::string& file, const std::string& reason) {
    std::string refused = dir + "/refused";
    std::string why;
    if (!platform::makePrivateDirs(refused, &why) ||
        !platform::renameNoReplace(dir + "/" + file, refused + "/" + file, &why)) {
        std::fprintf(stderr, "quorvex: %s\n", why.c_str());
        return;
    }
    std::string text = reason + "\n";
    platform::writeFileSafely(refused + "/" + file + ".reason", text.data(), text.size(), &why);
}

std::vector<std::pair<std::string, std::string>> refusedRuns(const std::string& dir) {
    std::vector<std::pair<std::string, std::string>> out;
    std::vector<std::string> names;
    if (dir.empty() || !platform::listFiles(dir + "/refused", names)) return out;
    for (const std::string& n : names) {
        if (!isRunFile(n)) continue;
        std::string reason;
        platform::readFileLimited(dir + "/refused/" + n + ".reason", 4096, reason, nullptr);
        while (!reason.empty() && reason.back() == '\n')
            reason.pop_back();
        out.emplace_back(n, reason);
    }
    return out;
}

bool takeBackRefused(const std::string& dir, const std::string& path) {
    if (dir.empty()) return false;
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path file(path);
    std::string name = file.filename().string();
    fs::path parent = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (!isRunFile(name) || !fs::equivalent(parent, fs::path(dir) / "refused", ec)) return false;
    platform::removeFile(dir + "/refused/" + name + ".reason");
    return platform::removeFile(dir + "/refused/" + name);
}

} // namespace online
