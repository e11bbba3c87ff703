#include "server/http/web_files.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <strings.h>
#include <vector>
#include <zlib.h>

#include "server/players/identity.h"

namespace fs = std::filesystem;

const char* const kWebPolicy =
    "default-src 'none'; script-src 'self' 'wasm-unsafe-eval'; connect-src 'self'; "
    "img-src 'self' data: blob:; style-src 'self'; media-src 'self' blob:; manifest-src 'self'; "
    "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

namespace {

std::string extensionOf(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return {};
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

// Already compressed: gzip would only cost time.
bool compressible(const std::string& name) {
    return extensionOf(name) != "png";
}

std::string gzipOf(const std::string& in) {
    z_stream z{};
    // 15 window bits, +16 for the gzip wrapper.
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        return {};
    std::string out(deflateBound(&z, static_cast<uLong>(in.size())), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    int done = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return done == Z_STREAM_END ? out : std::string();
}

std::string mib(size_t bytes) {
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MiB";
}

bool readWhole(const fs::path& path, size_t size, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    out.assign(size, '\0');
    if (!in.read(out.data(), static_cast<std::streamsize>(size))) return false;
    // A file that grew while read would be served cut short.
    return in.peek() == std::char_traits<char>::eof();
}

std::string trim(const std::string& s) {
    size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

// The comma-separated items of a header value, trimmed.
std::vector<std::string> items(const std::string& value) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i <= value.size()) {
        size_t end = value.find(',', i);
        if (end == std::string::npos) end = value.size();
        std::string item = trim(value.substr(i, end - i));
        if (!item.empty()) out.push_back(item);
        i = end + 1;
    }
    return out;
}

bool tagMatches(const std::string& ifNoneMatch, const WebFile& file) {
    for (std::string item : items(ifNoneMatch)) {
        if (item == "*") return true;
        if (item.rfind("W/", 0) == 0) item = item.substr(2);
        // Either encoding's tag: both are these very bytes.
        if (item == file.tag || item == file.tag.substr(0, file.tag.size() - 1) + "-gz\"")
            return true;
    }
    return false;
}

} // namespace

bool plainWebName(const std::string& name) {
    if (name.empty() || name.size() > 255 || name.find("..") != std::string::npos) return false;
    auto alnum = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    };
    if (!alnum(name[0])) return false;
    for (char c : name)
        if (!alnum(c) && c != '.' && c != '_' && c != '-') return false;
    return true;
}

bool hashedWebName(const std::string& name) {
    static const std::regex shape(R"([^/]+\.[0-9a-f]{16}\.[A-Za-z0-9]+)");
    return std::regex_match(name, shape);
}

const char* webType(const std::string& name) {
    static const std::pair<const char*, const char*> kTypes[] = {
        {"html", "text/html; charset=utf-8"},
        {"js", "text/javascript"},
        {"wasm", "application/wasm"},
        {"css", "text/css"},
        {"data", "application/octet-stream"},
        {"bin", "application/octet-stream"},
        {"json", "application/json"},
        {"webmanifest", "application/manifest+json"},
        {"png", "image/png"},
        {"svg", "image/svg+xml"},
    };
    std::string ext = extensionOf(name);
    for (const auto& [e, type] : kTypes)
        if (ext == e) return type;
    return "application/octet-stream";
}

bool acceptsGzip(const std::string& acceptEncoding) {
    // -1: not named, 0: refused, 1: taken. gzip by name wins over "*".
    int gzip = -1, any = -1;
    for (const std::string& item : items(acceptEncoding)) {
        size_t semi = item.find(';');
        std::string coding = trim(item.substr(0, semi));
        int taken = 1;
        if (semi != std::string::npos) {
            std::string param = trim(item.substr(semi + 1));
            if (param.size() > 2 && (param[0] == 'q' || param[0] == 'Q') && param[1] == '=')
                taken = std::strtod(param.c_str() + 2, nullptr) > 0;
        }
        if (strcasecmp(coding.c_str(), "gzip") == 0 || strcasecmp(coding.c_str(), "x-gzip") == 0)
            gzip = taken;
        else if (coding == "*")
            any = taken;
    }
    return gzip != -1 ? gzip == 1 : any == 1;
}

bool WebFiles::load(const std::string& dir, std::string& why, const WebLimits& limits) {
    files_.clear();
    bytes_ = 0;
    std::error_code ec;
    fs::path root = fs::canonical(dir, ec);
    if (ec || !fs::is_directory(root, ec)) {
        why = "the web folder " + dir + " is not a folder that can be read";
        return false;
    }
    for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        // Hidden files and odd names are never served.
        if (!plainWebName(name)) continue;
        std::error_code linkError;
        fs::path real = fs::canonical(it->path(), linkError);
        // A link may lead only to a file beside it.
        if (linkError || real.parent_path() != root || !fs::is_regular_file(real, linkError))
            continue;
        size_t size = fs::file_size(real, linkError);
        if (linkError) continue;
        if (size > limits.fileBytes) {
            why = "the web file " + name + " is " + mib(size) + "; a file may be at most " +
                  mib(limits.fileBytes);
            return false;
        }
        if (bytes_ + size > limits.totalBytes) {
            why = "the web folder " + dir + " holds more than " + mib(limits.totalBytes);
            return false;
        }
        WebFile file;
        if (!readWhole(real, size, file.body)) {
            why = "the web file " + name + " cannot be read whole";
            return false;
        }
        bytes_ += size;
        file.type = webType(name);
        file.immutable = hashedWebName(name);
        file.tag = "\"" + hexOf(sha256(file.body.data(), file.body.size())).substr(0, 32) + "\"";
        if (compressible(name)) {
            file.gzip = gzipOf(file.body);
            if (file.gzip.size() >= file.body.size()) file.gzip.clear();
        }
        files_.emplace(name, std::move(file));
    }
    if (ec) {
        why = "the web folder " + dir + " cannot be listed: " + ec.message();
        return false;
    }
    for (const char* needed : {"index.html", "watch.html"})
        if (!files_.count(needed)) {
            why = "the web folder " + dir + " has no " + needed + " (is the web build finished?)";
            return false;
        }
    return true;
}

const WebFile* WebFiles::find(const std::string& name) const {
    if (!plainWebName(name)) return nullptr;
    auto it = files_.find(name);
    return it == files_.end() ? nullptr : &it->second;
}

void serveWebFile(const WebFile& file, const Request& req, Response& res) {
    bool gzip = !file.gzip.empty() && acceptsGzip(req.get_header_value("Accept-Encoding"));
    res.set_header("Content-Security-Policy", kWebPolicy);
    res.set_header("Cache-Control",
                   file.immutable ? "public, max-age=31536000, immutable" : "no-cache");
    if (!file.gzip.empty()) res.set_header("Vary", "Accept-Encoding");
    res.set_header("ETag", gzip ? file.tag.substr(0, file.tag.size() - 1) + "-gz\"" : file.tag);
    if (tagMatches(req.get_header_value("If-None-Match"), file)) {
        res.status = 304;
        return;
    }
    res.status = 200;
    res.set_header("Content-Type", file.type);
    if (gzip) res.set_header("Content-Encoding", "gzip");
    res.body.clear();
    res.sharedBody = gzip ? &file.gzip : &file.body;
}
