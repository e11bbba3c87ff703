// The player's own files: where they live (XDG base directories; on Windows
// %LOCALAPPDATA% and %APPDATA%), and the few file operations that must never
// lose them. The only code that makes the system's file calls:
// user_files.cpp (POSIX, also the page's) or win32/user_files.cpp, as the
// build picks. Paths are UTF-8 everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/file_read.h"
#include "platform/utc_time.h"

namespace platform {

// $XDG_DATA_HOME/quorvex when that is an absolute path, else
// $HOME/.local/share/quorvex (%LOCALAPPDATA%\Quorvex on Windows); "" when
// there is no usable home.
std::string userDataDir();
// $XDG_CONFIG_HOME/quorvex when absolute, else $HOME/.config/quorvex
// (%APPDATA%\Quorvex on Windows); "" when there is no usable home.
std::string userConfigDir();

// mkdir -p: every level it has to create is made 0700. True when `dir` is a
// folder afterwards.
bool makePrivateDirs(const std::string& dir, std::string* why);

// Writes a new file beside `path`, flushes and syncs it, renames it over
// `path` and syncs the folder: a crash at any instant leaves the old file or
// the new one. On failure the old file is untouched and `why` says what went
// wrong.
bool writeFileSafely(const std::string& path, const void* data, size_t size, std::string* why);

// Renames `path` to `<path>.bad-YYYYMMDDTHHMMSSZ` (UTC now), adding "-2",
// "-3"... when that name is taken; never replaces an existing file.
bool moveAside(const std::string& path, std::string& movedTo);

bool removeFile(const std::string& path);
// Renames `from` to `to` (same file system), never replacing an existing
// `to`; false with `why` set otherwise.
bool renameNoReplace(const std::string& from, const std::string& to, std::string* why);
// Fills `out` from the operating system's random source (getrandom, else
// /dev/urandom); false when neither gives enough.
bool randomBytes(uint8_t* out, size_t size);
// Size of a plain file; -1 when it cannot be read.
int64_t fileSize(const std::string& path);
bool fileExists(const std::string& path);
// Names (not paths) of the plain files in `dir`, sorted; false when the
// folder cannot be read.
bool listFiles(const std::string& dir, std::vector<std::string>& names);

// An exclusive advisory lock (flock; LockFileEx on Windows) on `lockPath`,
// created if needed, held until destruction. Waits at most waitMs; then the
// holder goes on without it, after one line on standard error.
class FileLock {
  public:
    explicit FileLock(const std::string& lockPath, int waitMs = 2000);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return held_; }

  private:
    int fd_ = -1;
    bool held_ = false;
};

// An exclusive advisory lock taken at once or not at all: another process
// holding it means that process does the work.
class TryLock {
  public:
    explicit TryLock(const std::string& lockPath);
    ~TryLock();
    TryLock(const TryLock&) = delete;
    TryLock& operator=(const TryLock&) = delete;
    bool held() const { return held_; }

  private:
    int fd_ = -1;
    bool held_ = false;
};

namespace test {
// Makes writeFileSafely stop after the new file is written and synced but
// before the rename, as a crash there would: the temporary file stays and
// the call returns false.
void failBeforeRename(bool fail);
} // namespace test

namespace web {
// The page keeps the player's files in IndexedDB: every change is synced
// there, and a file counts as saved once that sync has reported back.
#ifdef __EMSCRIPTEN__
void filesChanged();
bool filesSaved();
// What Game Over says of the files: "Saved" only once IndexedDB has them.
const char* savingLine();
// Mounts the home folder from IndexedDB; quorvex_files_ready(owner, loaded)
// is called when it has been read (or refused).
void mountPlayerFiles();
void noteFilesLoaded(bool owner, bool loaded);
#else
inline void filesChanged() {}
inline bool filesSaved() {
    return true;
}
inline const char* savingLine() {
    return "";
}
#endif
} // namespace web

} // namespace platform
