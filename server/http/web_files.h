// The browser game's files, read once at start-up and served from memory:
// types by extension, gzip made once, content-hashed names kept for a year
// and the pages revalidated by ETag. Changing the files takes a restart.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "server/http/request.h"

struct WebFile {
    std::string type;
    std::string body;
    std::string gzip; // empty when the file does not shrink or is compressed already
    std::string tag;  // the ETag of the plain bytes; the gzip one adds "-gz"
    bool immutable = false;
};

struct WebLimits {
    size_t fileBytes = size_t{64} << 20;
    size_t totalBytes = size_t{256} << 20;
};

class WebFiles {
  public:
    // Reads the plain files at the top of `dir` (no hidden files, nothing
    // from folders below, no link leading out of it); index.html and
    // watch.html must be there. False with `why` otherwise.
    bool load(const std::string& dir, std::string& why, const WebLimits& limits = {});
    const WebFile* find(const std::string& name) const;
    size_t count() const { return files_.size(); }
    size_t bytes() const { return bytes_; }

  private:
    std::map<std::string, WebFile> files_;
    size_t bytes_ = 0;
};

// A name the server may serve: letters, digits, '.', '_' and '-', starting
// with a letter or digit, no "..".
bool plainWebName(const std::string& name);
// "<name>.<16 lowercase hex digits>.<ext>": its bytes never change.
bool hashedWebName(const std::string& name);
const char* webType(const std::string& name);
// Whether an Accept-Encoding value takes gzip (a q of 0 refuses it).
bool acceptsGzip(const std::string& acceptEncoding);
// The file as the answer, or 304 when If-None-Match holds its tag.
void serveWebFile(const WebFile& file, const Request& req, Response& res);

// The browser game runs its own module and talks only to this server.
extern const char* const kWebPolicy;
