#include "online/web_fetch.h"

#include <emscripten/fetch.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

#include "protocol/api.h"

namespace online {

namespace {

HttpRequest request;
FetchAnswered answered = nullptr;

long retryAfterOf(emscripten_fetch_t* f) {
    size_t n = emscripten_fetch_get_response_headers_length(f);
    if (n == 0) return -1;
    std::string headers(n + 1, '\0');
    emscripten_fetch_get_response_headers(f, headers.data(), headers.size());
    for (char& ch : headers)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    std::string key = std::string(protocol::kRetryAfterHeader) + ":";
    for (char& ch : key)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    size_t at = headers.find(key);
    if (at == std::string::npos) return -1;
    return std::strtol(headers.c_str() + at + key.size(), nullptr, 10);
}

void fetchDone(emscripten_fetch_t* f) {
    HttpResponse r;
    r.status = f->status;
    r.transferred = f->status != 0;
    if (r.transferred) {
        size_t n = std::min<size_t>(static_cast<size_t>(f->numBytes), kMaxAnswerBytes);
        if (f->data != nullptr) r.body.assign(f->data, n);
        r.retryAfterSeconds = retryAfterOf(f);
    } else {
        r.error = "the server cannot be reached";
    }
    emscripten_fetch_close(f);
    if (answered != nullptr) answered(r);
}

} // namespace

void fetchRequest(HttpRequest req, FetchAnswered done) {
    request = std::move(req);
    answered = done;
    emscripten_fetch_attr_t attr;
    emscripten_fetch_attr_init(&attr);
    std::snprintf(attr.requestMethod, sizeof attr.requestMethod, "%s", request.method);
    attr.attributes = EMSCRIPTEN_FETCH_LOAD_TO_MEMORY;
    attr.timeoutMSecs = static_cast<unsigned long>(request.totalSeconds * 1000);
    attr.onsuccess = fetchDone;
    attr.onerror = fetchDone;
    // The browser copies these before emscripten_fetch returns.
    static std::string bearer;
    static const char* headers[7];
    int h = 0;
    if (!request.token.empty()) {
        bearer = protocol::kBearerPrefix + request.token;
        headers[h++] = protocol::kAuthorizationHeader;
        headers[h++] = bearer.c_str();
    }
    if (!request.name.empty()) {
        headers[h++] = protocol::kNameHeader;
        headers[h++] = request.name.c_str();
    }
    if (!request.body.empty()) {
        headers[h++] = "Content-Type";
        headers[h++] = protocol::kReplayContentType;
        attr.requestData = request.body.data();
        attr.requestDataSize = request.body.size();
    }
    headers[h] = nullptr;
    attr.requestHeaders = headers;
    emscripten_fetch(&attr, request.url.c_str());
}

} // namespace online
