#include "online/http_client.h"

#include <curl/curl.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "protocol/api.h"

namespace online {

namespace {

struct Transfer {
    HttpResponse* out;
    bool tooBig = false;
    const std::atomic<bool>* stop;
};

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    if (t->out->body.size() + n > kMaxAnswerBytes) {
        t->tooBig = true;
        return 0; // ends the transfer
    }
    t->out->body.append(data, n);
    return n;
}

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    size_t n = size * count;
    // "Retry-After:", in any case.
    constexpr size_t kLength = sizeof protocol::kRetryAfterHeader - 1;
    if (n > kLength + 1 && strncasecmp(data, protocol::kRetryAfterHeader, kLength) == 0 &&
        data[kLength] == ':') {
        std::string v(data + kLength + 1, n - (kLength + 1));
        char* end = nullptr;
        long s = std::strtol(v.c_str(), &end, 10);
        if (end != v.c_str() && s >= 0) t->out->retryAfterSeconds = s > 86400 ? 86400 : s;
    }
    return n;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* t = static_cast<Transfer*>(user);
    return t->stop && t->stop->load() ? 1 : 0;
}

} // namespace

void initHttp() {
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

HttpResponse perform(const HttpRequest& r) {
    HttpResponse out;
    CURL* curl = curl_easy_init();
    if (!curl) {
        out.error = "cannot start a connection";
        return out;
    }
    Transfer t{&out, false, r.stop};
    char errorText[CURL_ERROR_SIZE] = "";
    curl_slist* headers = nullptr;
    std::string auth =
        std::string(protocol::kAuthorizationHeader) + ": " + protocol::kBearerPrefix + r.token;
    std::string name = std::string(protocol::kNameHeader) + ": " + r.name;
    if (!r.token.empty()) headers = curl_slist_append(headers, auth.c_str());
    if (!r.name.empty()) headers = curl_slist_append(headers, name.c_str());
    headers = curl_slist_append(headers, "Accept: application/json");
    headers = curl_slist_append(headers, "Expect:"); // no 100-continue round trip
    if (std::strcmp(r.method, "POST") == 0) {
        std::string type = std::string("Content-Type: ") + protocol::kReplayContentType;
        headers = curl_slist_append(headers, type.c_str());
        curl_easy_setopt(curl, CURLOPT_POST, 1L);
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, r.body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(r.body.size()));
    } else if (std::strcmp(r.method, "GET") != 0) {
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, r.method);
    }
    curl_easy_setopt(curl, CURLOPT_URL, r.url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
#if LIBCURL_VERSION_NUM >= 0x075700
    // An abandoned name lookup is left to finish on its own: without this
    // the cleanup waits for it, and exit would wait on a slow DNS server.
    curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L);
#endif
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects are not followed: the address the player gave is the server.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, r.connectSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, r.totalSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kMaxAnswerBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "quorvex/" QUORVEX_VERSION);

    // The multi interface, polled briefly, so that a stop is seen within
    // 50 ms even while connecting or resolving.
    CURLcode rc = CURLE_FAILED_INIT;
    CURLM* multi = curl_multi_init();
    if (multi && curl_multi_add_handle(multi, curl) == CURLM_OK) {
        int running = 1;
        while (running) {
            if (r.stop && r.stop->load()) {
                rc = CURLE_ABORTED_BY_CALLBACK;
                break;
            }
            if (curl_multi_perform(multi, &running) != CURLM_OK) break;
            if (running && curl_multi_poll(multi, nullptr, 0, 50, nullptr) != CURLM_OK) break;
        }
        int left = 0;
        while (CURLMsg* m = curl_multi_info_read(multi, &left))
            if (m->msg == CURLMSG_DONE) rc = m->data.result;
        curl_multi_remove_handle(multi, curl);
    }
    if (multi) curl_multi_cleanup(multi);
    if (rc == CURLE_OK) {
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &out.status);
        out.transferred = true;
    } else if (t.tooBig || rc == CURLE_FILESIZE_EXCEEDED) {
        out.error = "the server's answer is too long";
        out.body.clear();
    } else if (rc == CURLE_ABORTED_BY_CALLBACK) {
        out.error = "stopped";
    } else {
        out.error = errorText[0] ? errorText : curl_easy_strerror(rc);
    }
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);
    return out;
}

} // namespace online
