// The player's files on Windows: %APPDATA%\Quorvex for what the player sets,
// %LOCALAPPDATA%\Quorvex for what the game keeps. Every path is UTF-8 in the
// game and UTF-16 at the system's wide functions, so any user name works.
#include "platform/user_files.h"

#include <windows.h>

#include <bcrypt.h>
#include <knownfolders.h>
#include <shlobj.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/win32/wide.h"

namespace platform {

namespace {

using win32::errorText;
using win32::fromWide;
using win32::toWide;

bool simulateCrashBeforeRename = false;

void setWhy(std::string* why, const std::string& what, DWORD err) {
    if (why == nullptr) return;
    *why = what;
    if (err != 0) *why += ": " + errorText(err);
}

std::string knownFolder(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    std::string out;
    if (SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path) == S_OK) out = fromWide(path);
    CoTaskMemFree(path);
    if (out.empty()) return "";
    return out + "\\Quorvex";
}

bool isSlash(char c) {
    return c == '/' || c == '\\';
}

// Where the folder part of `path` ends: after "C:\", "\\server\share\" or a
// leading slash, nothing above can be made.
size_t rootLength(const std::string& path) {
    if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && isSlash(path[2]) ? 3 : 2;
    if (path.size() >= 2 && isSlash(path[0]) && isSlash(path[1])) {
        size_t server = path.find_first_of("/\\", 2);
        if (server == std::string::npos) return path.size();
        size_t share = path.find_first_of("/\\", server + 1);
        return share == std::string::npos ? path.size() : share + 1;
    }
    return !path.empty() && isSlash(path[0]) ? 1 : 0;
}

// A plain file, not a folder nor a link that points elsewhere.
bool plainFile(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0;
}

std::string randomSuffix() {
    uint8_t bytes[6] = {};
    randomBytes(bytes, sizeof bytes);
    char text[13];
    for (size_t i = 0; i < sizeof bytes; ++i)
        std::snprintf(text + 2 * i, 3, "%02x", bytes[i]);
    return text;
}

bool writeAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        DWORD step = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, data, step, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

// Renames without replacing: false with ERROR_ALREADY_EXISTS (or
// ERROR_FILE_EXISTS) when `to` exists.
bool moveNoReplace(const std::string& from, const std::string& to) {
    return MoveFileExW(toWide(from).c_str(), toWide(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool existsError(DWORD err) {
    return err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS;
}

// Opens (making it if needed) a lock file that other processes may open too.
HANDLE openLockFile(const std::string& lockPath) {
    return CreateFileW(toWide(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool lockNow(HANDLE file) {
    OVERLAPPED at{};
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

void unlock(HANDLE file) {
    OVERLAPPED at{};
    UnlockFileEx(file, 0, 1, 0, &at);
}

} // namespace

std::string userDataDir() {
    return knownFolder(FOLDERID_LocalAppData);
}

std::string userConfigDir() {
    return knownFolder(FOLDERID_RoamingAppData);
}

bool makePrivateDirs(const std::string& dir, std::string* why) {
    if (dir.empty()) {
        setWhy(why, "no folder given", 0);
        return false;
    }
    // The folders under the profile inherit its access rights: the user's alone.
    size_t pos = rootLength(dir);
    while (pos <= dir.size()) {
        size_t next = dir.find_first_of("/\\", pos);
        if (next == std::string::npos) next = dir.size();
        std::string level = dir.substr(0, next);
        pos = next + 1;
        if (level.empty() || isSlash(level.back())) continue;
        if (CreateDirectoryW(toWide(level).c_str(), nullptr)) continue;
        DWORD err = GetLastError();
        DWORD attributes = GetFileAttributesW(toWide(level).c_str());
        if (err == ERROR_ALREADY_EXISTS && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue;
        if (err == ERROR_ALREADY_EXISTS) err = ERROR_DIRECTORY;
        setWhy(why, "cannot create " + level, err);
        return false;
    }
    return true;
}

bool writeFileSafely(const std::string& path, const void* data, size_t size, std::string* why) {
    std::string temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD err = 0;
    for (int attempt = 0; attempt < 16 && file == INVALID_HANDLE_VALUE; ++attempt) {
        temp = path + ".tmp-" + randomSuffix();
        file = CreateFileW(toWide(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        err = GetLastError();
        if (file == INVALID_HANDLE_VALUE && !existsError(err)) break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        setWhy(why, "cannot create a file beside " + path, err);
        return false;
    }
    bool ok = writeAll(file, static_cast<const char*>(data), size);
    if (ok && !FlushFileBuffers(file)) ok = false;
    err = ok ? 0 : GetLastError();
    CloseHandle(file);
    if (!ok) {
        DeleteFileW(toWide(temp).c_str());
        setWhy(why, "cannot write " + temp, err);
        return false;
    }
    if (simulateCrashBeforeRename) {
        setWhy(why, "simulated crash before renaming " + temp, 0);
        return false;
    }
    // Write-through: the rename is on the disk when the call returns, as the
    // folder's sync makes it on Linux.
    if (!MoveFileExW(toWide(temp).c_str(), toWide(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        err = GetLastError();
        DeleteFileW(toWide(temp).c_str());
        setWhy(why, "cannot rename " + temp + " to " + path, err);
        return false;
    }
    return true;
}

bool moveAside(const std::string& path, std::string& movedTo) {
    std::string stamp = utcTimestamp(unixTimeNow());
    stamp.erase(
        std::remove_if(stamp.begin(), stamp.end(), [](char c) { return c == '-' || c == ':'; }),
        stamp.end());
    std::string base = path + ".bad-" + stamp;
    for (int n = 1; n < 1000; ++n) {
        std::string candidate = n == 1 ? base : base + "-" + std::to_string(n);
        if (moveNoReplace(path, candidate)) {
            movedTo = candidate;
            return true;
        }
        if (!existsError(GetLastError())) return false;
    }
    return false;
}

bool removeFile(const std::string& path) {
    return DeleteFileW(toWide(path).c_str()) != 0;
}

bool renameNoReplace(const std::string& from, const std::string& to, std::string* why) {
    if (moveNoReplace(from, to)) return true;
    setWhy(why, "cannot move " + from + " to " + to, GetLastError());
    return false;
}

bool randomBytes(uint8_t* out, size_t size) {
    while (size > 0) {
        ULONG step = static_cast<ULONG>(std::min<size_t>(size, 1u << 20));
        if (BCryptGenRandom(nullptr, out, step, BCRYPT_USE_SYSTEM_PREFERRED_RNG) != 0) return false;
        out += step;
        size -= step;
    }
    return true;
}

int64_t fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA info{};
    if (!GetFileAttributesExW(toWide(path).c_str(), GetFileExInfoStandard, &info) ||
        !plainFile(info.dwFileAttributes))
        return -1;
    return (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

bool fileExists(const std::string& path) {
    return GetFileAttributesW(toWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool listFiles(const std::string& dir, std::vector<std::string>& names) {
    names.clear();
    WIN32_FIND_DATAW entry{};
    HANDLE find = FindFirstFileW(toWide(dir + "\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        // An empty folder has no entry at all, not even "." on some file systems.
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        if (plainFile(entry.dwFileAttributes)) names.push_back(fromWide(entry.cFileName));
    } while (FindNextFileW(find, &entry));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return true;
}

// The handle is kept in the int the header gives: a HANDLE's value fits, as
// Windows promises for handles shared between 32 and 64-bit processes.
FileLock::FileLock(const std::string& lockPath, int waitMs) {
    HANDLE file = openLockFile(lockPath);
    if (file == INVALID_HANDLE_VALUE) return;
    fd_ = static_cast<int>(reinterpret_cast<intptr_t>(file));
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (lockNow(file)) {
            held_ = true;
            return;
        }
        if (GetLastError() != ERROR_LOCK_VIOLATION) break;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::fprintf(stderr, "Could not lock %s; going on without the lock\n", lockPath.c_str());
}

FileLock::~FileLock() {
    if (fd_ == -1) return;
    HANDLE file = reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd_));
    if (held_) unlock(file);
    CloseHandle(file);
}

TryLock::TryLock(const std::string& lockPath) {
    HANDLE file = openLockFile(lockPath);
    if (file == INVALID_HANDLE_VALUE) return;
    fd_ = static_cast<int>(reinterpret_cast<intptr_t>(file));
    held_ = lockNow(file);
}

TryLock::~TryLock() {
    if (fd_ == -1) return;
    HANDLE file = reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd_));
    if (held_) unlock(file);
    CloseHandle(file);
}

namespace test {
void failBeforeRename(bool fail) {
    simulateCrashBeforeRename = fail;
}
} // namespace test

} // namespace platform
