#include "platform/file_read.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace platform {

namespace {

void setWhy(std::string* why, const std::string& what, int err) {
    if (why == nullptr) return;
    *why = what;
    if (err != 0) {
        *why += ": ";
        *why += std::strerror(err);
    }
}

// Closes on every way out.
struct OpenFile {
    std::FILE* file;
    ~OpenFile() {
        if (file) std::fclose(file);
    }
};

} // namespace

ReadStatus readFileLimited(const std::string& path, size_t maxBytes, std::string& out,
                           std::string* why) {
    out.clear();
    errno = 0;
#ifdef __GLIBC__
    // Not inherited by the programs the game starts.
    OpenFile in{std::fopen(path.c_str(), "rbe")};
#else
    OpenFile in{std::fopen(path.c_str(), "rb")};
#endif
    if (!in.file) {
        int err = errno;
        setWhy(why, "cannot open " + path, err);
        return err == ENOENT || err == ENOTDIR ? ReadStatus::Missing : ReadStatus::Unreadable;
    }
    std::error_code ec;
    std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::is_regular_file(status)) {
        setWhy(why, path + " is not a plain file", 0);
        return ReadStatus::Unreadable;
    }
    uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) size = 0;
    if (size > maxBytes) {
        setWhy(why, path + " is too big", 0);
        return ReadStatus::TooBig;
    }
    // Room for the size seen and one byte more: the file may have grown
    // since, and then the buffer grows, never past one byte over the limit.
    std::string buffer(static_cast<size_t>(size) + 1, '\0');
    size_t got = 0;
    for (;;) {
        if (got == buffer.size()) {
            if (buffer.size() > maxBytes) break;
            buffer.resize(std::min(buffer.size() * 2, maxBytes + 1));
        }
        size_t n = std::fread(buffer.data() + got, 1, buffer.size() - got, in.file);
        got += n;
        if (n > 0) continue;
        if (std::ferror(in.file)) {
            setWhy(why, "cannot read " + path, errno);
            return ReadStatus::Unreadable;
        }
        break;
    }
    if (got > maxBytes) {
        setWhy(why, path + " is too big", 0);
        return ReadStatus::TooBig;
    }
    buffer.resize(got);
    out = std::move(buffer);
    return ReadStatus::Ok;
}

} // namespace platform
