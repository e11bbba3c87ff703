#include "platform/user_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace platform {

namespace {

bool simulateCrashBeforeRename = false;

void setWhy(std::string* why, const std::string& what, int err) {
    if (why == nullptr) return;
    *why = what;
    if (err != 0) {
        *why += ": ";
        *why += std::strerror(err);
    }
}

std::string absoluteEnv(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') return "";
    return value;
}

std::string userDir(const char* xdgName, const char* homeFallback) {
    std::string base = absoluteEnv(xdgName);
    if (base.empty()) {
        std::string home = absoluteEnv("HOME");
        if (home.empty()) return "";
        base = home + homeFallback;
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (base == "/") base.clear();
    return base + "/quorvex";
}

std::string parentOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void syncFolder(const std::string& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Renames without replacing: false with EEXIST when `to` exists.
bool renameNoReplace(const std::string& from, const std::string& to) {
#ifdef __EMSCRIPTEN__
    // The page's one thread: nothing can come between the look and the move.
    struct stat st {};
    if (::stat(to.c_str(), &st) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
#else
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the flag: a hard link never replaces either.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
#endif
}

} // namespace

std::string userDataDir() {
    return userDir("XDG_DATA_HOME", "/.local/share");
}

std::string userConfigDir() {
    return userDir("XDG_CONFIG_HOME", "/.config");
}

bool makePrivateDirs(const std::string& dir, std::string* why) {
    if (dir.empty()) {
        setWhy(why, "no folder given", 0);
        return false;
    }
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = dir.find('/', pos + 1);
        std::string level = dir.substr(0, pos);
        if (level.empty() || level.back() == '/') continue;
        if (::mkdir(level.c_str(), 0700) == 0) continue;
        int err = errno;
        struct stat st {};
        if (err == EEXIST && ::stat(level.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) continue;
        if (err == EEXIST) err = ENOTDIR;
        setWhy(why, "cannot create " + level, err);
        return false;
    }
    return true;
}

bool writeFileSafely(const std::string& path, const void* data, size_t size, std::string* why) {
    std::string temp = path + ".tmp-XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        setWhy(why, "cannot create a file beside " + path, errno);
        return false;
    }
    bool ok = writeAll(fd, static_cast<const char*>(data), size);
    int err = errno;
    if (ok && ::fsync(fd) != 0) {
        ok = false;
        err = errno;
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        setWhy(why, "cannot write " + temp, err);
        return false;
    }
    if (simulateCrashBeforeRename) {
        setWhy(why, "simulated crash before renaming " + temp, 0);
        return false;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        err = errno;
        ::unlink(temp.c_str());
        setWhy(why, "cannot rename " + temp + " to " + path, err);
        return false;
    }
    syncFolder(parentOf(path));
    web::filesChanged();
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
        if (renameNoReplace(path, candidate)) {
            syncFolder(parentOf(path));
            web::filesChanged();
            movedTo = candidate;
            return true;
        }
        if (errno != EEXIST) return false;
    }
    return false;
}

bool removeFile(const std::string& path) {
    bool removed = ::unlink(path.c_str()) == 0;
    if (removed) web::filesChanged();
    return removed;
}

bool renameNoReplace(const std::string& from, const std::string& to, std::string* why) {
#ifdef __EMSCRIPTEN__
    if (!renameNoReplace(from, to)) {
        setWhy(why, "cannot move " + from + " to " + to, errno);
        return false;
    }
    web::filesChanged();
    return true;
#endif
    // A hard link fails when `to` exists, where rename would replace it.
    if (::link(from.c_str(), to.c_str()) != 0) {
        setWhy(why, "cannot move " + from + " to " + to, errno);
        return false;
    }
    if (::unlink(from.c_str()) != 0) {
        int err = errno;
        ::unlink(to.c_str());
        setWhy(why, "cannot move " + from, err);
        return false;
    }
    return true;
}

bool randomBytes(uint8_t* out, size_t size) {
    size_t got = 0;
    while (got < size) {
#ifdef __EMSCRIPTEN__
        size_t step = std::min<size_t>(size - got, 256);
        ssize_t n = ::getentropy(out + got, step) == 0 ? static_cast<ssize_t>(step) : -1;
#else
        ssize_t n = ::getrandom(out + got, size - got, 0);
#endif
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    if (got == size) return true;
    int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    got = 0;
    while (got < size) {
        ssize_t n = ::read(fd, out + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    return got == size;
}

int64_t fileSize(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<int64_t>(st.st_size);
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool listFiles(const std::string& dir, std::vector<std::string>& names) {
    names.clear();
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return false;
    while (const dirent* entry = ::readdir(d)) {
        std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        if (::lstat((dir + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            names.push_back(std::move(name));
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return true;
}

FileLock::FileLock(const std::string& lockPath, int waitMs) {
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // No lock file means no writable folder: the write that follows fails
    // and says so itself.
    if (fd_ < 0) return;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
            held_ = true;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) break;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::fprintf(stderr, "Could not lock %s; going on without the lock\n", lockPath.c_str());
}

FileLock::~FileLock() {
    if (fd_ < 0) return;
    if (held_) ::flock(fd_, LOCK_UN);
    ::close(fd_);
}

TryLock::TryLock(const std::string& lockPath) {
    fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
}

TryLock::~TryLock() {
    if (fd_ < 0) return;
    if (held_) ::flock(fd_, LOCK_UN);
    ::close(fd_);
}

namespace test {
void failBeforeRename(bool fail) {
    simulateCrashBeforeRename = fail;
}
} // namespace test

} // namespace platform
