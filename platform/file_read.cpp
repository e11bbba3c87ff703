#include "platform/file_read.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>
#endif

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

std::filesystem::path nativePath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8Path(const std::filesystem::path& path) {
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

ReadStatus readFileLimited(const std::string& path, size_t maxBytes, std::string& out,
                           std::string* why) {
    out.clear();
    errno = 0;
    // Paths are UTF-8 everywhere; Windows takes them as UTF-16.
    const std::filesystem::path native = nativePath(path);
#ifdef _WIN32
    OpenFile in{_wfopen(native.c_str(), L"rb")};
#elif defined(__GLIBC__)
    // Not inherited by the programs the game starts.
    OpenFile in{std::fopen(native.c_str(), "rbe")};
#else
    OpenFile in{std::fopen(native.c_str(), "rb")};
#endif
    if (!in.file) {
        int err = errno;
        setWhy(why, "cannot open " + path, err);
        return err == ENOENT || err == ENOTDIR ? ReadStatus::Missing : ReadStatus::Unreadable;
    }
    std::error_code ec;
    std::filesystem::file_status status = std::filesystem::status(native, ec);
    if (ec || !std::filesystem::is_regular_file(status)) {
        setWhy(why, path + " is not a plain file", 0);
        return ReadStatus::Unreadable;
    }
    uintmax_t size = std::filesystem::file_size(native, ec);
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

std::vector<std::string> utf8Arguments(int argc, char** argv) {
    std::vector<std::string> args;
#ifdef _WIN32
    // argv is in the ANSI code page, which cannot spell every file name.
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            args.push_back(utf8Path(std::filesystem::path(wide[i])));
        LocalFree(wide);
        if (count == argc) return args;
        args.clear();
    }
#endif
    for (int i = 0; i < argc; ++i)
        args.emplace_back(argv[i]);
    return args;
}

void binaryStandardInput() {
#ifdef _WIN32
    // Text mode would turn CR LF into LF and stop at a byte 26.
    _setmode(_fileno(stdin), _O_BINARY);
#endif
}

} // namespace platform
