// One HTTP request through libcurl, bounded in time and size, abandoned
// when the caller's stop flag rises. Used off the game loop only.
#pragma once

#include <atomic>
#include <string>

namespace online {

struct HttpRequest {
    const char* method = "GET";
    std::string url;
    std::string token; // "Authorization: Bearer" when not empty
    std::string name;  // "X-Quorvex-Name" when not empty
    std::string body;  // sent as application/octet-stream when method is POST
    long connectSeconds = 5;
    long totalSeconds = 30;
    const std::atomic<bool>* stop = nullptr;
};

struct HttpResponse {
    bool transferred = false; // an answer came (any status)
    long status = 0;
    std::string body; // at most kMaxAnswerBytes
    long retryAfterSeconds = -1;
    std::string error; // why nothing usable came
};

constexpr size_t kMaxAnswerBytes = 256 * 1024;

// Once per process, before any thread sends.
void initHttp();
HttpResponse perform(const HttpRequest& request);
// Percent-encodes one path segment.
std::string escapeSegment(const std::string& text);

} // namespace online
