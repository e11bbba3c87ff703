#include "server/http/server.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <microhttpd.h>
#include <mutex>
#include <netdb.h>
#include <strings.h>
#include <sys/socket.h>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "server/http/respond.h"

namespace {

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// What the sweeper knows of one open connection.
struct Link {
    int fd = -1;
    // When it began waiting for a request's headers, or -1 while a request
    // is past them (then requestSince says since when).
    std::atomic<int64_t> headersSince{0};
    std::atomic<int64_t> requestSince{0};
    // A body on its way: how much of it came so far. Bodies are held to a
    // pace as headers are to a deadline.
    std::atomic<bool> bodyComing{false};
    std::atomic<size_t> bodyBytes{0};
    // An answer on its way: since when, and its size. It may take as long
    // as its size needs at a slow reader's pace.
    std::atomic<int64_t> answerSince{-1};
    std::atomic<size_t> answerBytes{0};
    std::string group; // the client, as per-address limits count it
    bool cut = false;  // guarded by the server's mutex
};

// Slowest pace of a body, counted after the time headers have; and of an
// answer, whose reader is also cut after the idle timeout without a byte.
constexpr int64_t kBodyBytesPerSecond = 1024;
constexpr int64_t kAnswerBytesPerSecond = 32 << 10;

// One request on its way through the handler calls.
struct Exchange {
    Request req;
    Response res;
    bool queued = false;
    int64_t deadline = 0;
    // A body over the limit that is read and thrown away before the 413, so
    // a client that sends it all without asking first still hears why.
    bool draining = false;
    size_t drained = 0;
    bool abandoned = false; // answered in the middle of its body
};

// Bodies announced above this are refused without reading them.
constexpr size_t kDrainBytes = 4 << 20;

bool validUtf8(const std::string& s) {
    size_t i = 0, n = s.size();
    while (i < n) {
        auto c = static_cast<unsigned char>(s[i]);
        size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > n) return false;
        uint32_t cp = len == 1 ? c : c & (0x7f >> len);
        for (size_t k = 1; k < len; ++k) {
            auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xc0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3f);
        }
        static constexpr uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[len] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
        i += len;
    }
    return true;
}

// Percent-decodes in place as the library would, but leaves "%00" as it
// is: the library hands paths and values on as C strings, and a decoded NUL
// would cut "/play/index.html%00.js" short to a name it does not hold.
size_t unescape(void*, MHD_Connection*, char* s) {
    auto hex = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    char* out = s;
    for (const char* in = s; *in;) {
        int hi = in[0] == '%' ? hex(in[1]) : -1;
        int lo = hi >= 0 ? hex(in[2]) : -1;
        if (lo >= 0 && (hi | lo) != 0) {
            *out++ = static_cast<char>(hi * 16 + lo);
            in += 3;
        } else {
            *out++ = *in++;
        }
    }
    *out = '\0';
    return static_cast<size_t>(out - s);
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

MHD_Result collect(void* cls, MHD_ValueKind, const char* key, size_t keySize, const char* value,
                   size_t valueSize) {
    static_cast<Pairs*>(cls)->emplace_back(std::string(key, keySize),
                                           value ? std::string(value, valueSize) : std::string());
    return MHD_YES;
}

std::string peerAddress(MHD_Connection* c) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr) return {};
    char text[INET6_ADDRSTRLEN] = "";
    const sockaddr* a = info->client_addr;
    if (a->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a)->sin_addr, text, sizeof text);
    else if (a->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(a)->sin6_addr, text,
                  sizeof text);
    return text;
}

// IPv6 clients count by their /64, IPv4 ones by their address.
std::string groupOf(const sockaddr* a) {
    if (!a) return {};
    if (a->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(a);
        return "4" + std::string(reinterpret_cast<const char*>(&in->sin_addr), 4);
    }
    if (a->sa_family != AF_INET6) return {};
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(a);
    const char* bytes = reinterpret_cast<const char*>(in6->sin6_addr.s6_addr);
    if (IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr)) return "4" + std::string(bytes + 12, 4);
    return "6" + std::string(bytes, 8);
}

Link* linkOf(MHD_Connection* c) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info ? static_cast<Link*>(info->socket_context) : nullptr;
}

// Every answer: nothing from elsewhere, no framing, no guessing types, and
// not kept unless the handler says so.
void secure(Response& res) {
    if (!res.has_header("Content-Security-Policy"))
        res.set_header("Content-Security-Policy",
                       "default-src 'none'; style-src 'self'; img-src 'self'; "
                       "form-action 'self'; base-uri 'none'; frame-ancestors 'none'");
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("X-Frame-Options", "DENY");
    if (!res.has_header("Cache-Control")) res.set_header("Cache-Control", "no-store");
}

MHD_Result answer(MHD_Connection* c, Exchange& ex) {
    Response& res = ex.res;
    secure(res);
    MHD_Response* r =
        res.sharedBody ? MHD_create_response_from_buffer(res.sharedBody->size(),
                                                         const_cast<char*>(res.sharedBody->data()),
                                                         MHD_RESPMEM_PERSISTENT)
                       : MHD_create_response_from_buffer(res.body.size(), res.body.data(),
                                                         MHD_RESPMEM_MUST_COPY);
    if (!r) return MHD_NO;
    for (const auto& [k, v] : res.headers)
        MHD_add_response_header(r, k.c_str(), v.c_str());
    ex.queued = true;
    if (Link* link = linkOf(c)) {
        link->bodyComing = false;
        link->answerBytes = res.sharedBody ? res.sharedBody->size() : res.body.size();
        link->answerSince = nowMs();
    }
    MHD_Result ok = MHD_queue_response(c, static_cast<unsigned>(res.status), r);
    MHD_destroy_response(r);
    return ok;
}

// Answers given before the whole request was read close the connection: the
// rest of it must not be taken for the next request.
MHD_Result refuse(MHD_Connection* c, Exchange& ex, int status, const std::string& message) {
    ex.res = Response{};
    ex.res.set_header("Connection", "close");
    replyError(ex.res, status, message);
    return answer(c, ex);
}

// The library answers only before a body or after it. A body that comes
// too slowly or grows too large is answered here, on the socket itself
// (nothing else writes to it while a body arrives); the rest of the body
// is read and thrown away until the connection closes, so the client sees
// the answer rather than a reset.
MHD_Result abandon(MHD_Connection* c, Exchange& ex, int status, const std::string& message) {
    ex.abandoned = true;
    // Answered: what still comes is read and dropped until the request's deadline.
    if (Link* link = linkOf(c)) link->bodyComing = false;
    const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CONNECTION_FD);
    if (!info) return MHD_NO;
    ex.res = Response{};
    replyError(ex.res, status, message);
    secure(ex.res);
    std::string text =
        "HTTP/1.1 " + std::to_string(status) +
        (status == 408 ? " Request Timeout" : " Content Too Large") +
        "\r\nConnection: close\r\nContent-Length: " + std::to_string(ex.res.body.size()) + "\r\n";
    for (const auto& [k, v] : ex.res.headers)
        text += k + ": " + v + "\r\n";
    text += "\r\n" + ex.res.body;
    ::send(info->connect_fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    shutdown(info->connect_fd, SHUT_WR);
    return MHD_YES;
}

} // namespace

struct HttpServer::Impl {
    Impl(const Router& r, const HttpLimits& l) : router(r), limits(l) {}
    const Router& router;
    HttpLimits limits;
    MHD_Daemon* daemon = nullptr;
    std::mutex mutex;
    std::condition_variable wake;
    std::unordered_set<Link*> links;
    std::unordered_map<std::string, unsigned> groups; // open connections per client
    bool stopping = false;
    std::thread sweeper;

    // A request's first call: its headers are in. Refuses what it can
    // before any body is read.
    MHD_Result begin(MHD_Connection* c, Exchange& ex, const char* url, const char* method);
    void sweep();
};

MHD_Result HttpServer::Impl::begin(MHD_Connection* c, Exchange& ex, const char* url,
                                   const char* method) {
    Request& req = ex.req;
    req.method = method;
    req.path = url;
    req.remote_addr = peerAddress(c);
    MHD_get_connection_values_n(c, MHD_HEADER_KIND, collect, &req.headers);
    MHD_get_connection_values_n(c, MHD_GET_ARGUMENT_KIND, collect, &req.params);
    ex.deadline = nowMs() + limits.requestSeconds * int64_t{1000};

    size_t total = 0;
    for (const auto& [k, v] : req.headers) {
        if (k.size() + v.size() + 4 > limits.headerLine)
            return refuse(c, ex, 431, "a header line is too large");
        total += k.size() + v.size() + 4;
    }
    if (total > limits.headerBytes) return refuse(c, ex, 431, "the headers are too large");
    size_t lengths = req.get_header_value_count("Content-Length");
    size_t encodings = req.get_header_value_count("Transfer-Encoding");
    if (lengths > 1) return refuse(c, ex, 400, "more than one Content-Length");
    if (encodings > 1) return refuse(c, ex, 400, "more than one Transfer-Encoding");
    if (lengths == 1 && encodings == 1)
        return refuse(c, ex, 400, "both Content-Length and Transfer-Encoding");
    if (encodings == 1 && strcasecmp(req.get_header_value("Transfer-Encoding").c_str(), "chunked"))
        return refuse(c, ex, 501, "the only transfer coding understood is chunked");
    for (const auto& [k, v] : req.headers)
        if (k.find_first_of(" \t") != std::string::npos)
            return refuse(c, ex, 400, "a header name holds a space");
    if (req.path.size() > limits.pathBytes) return refuse(c, ex, 414, "the path is too long");
    bool utf8 = validUtf8(req.path);
    for (const auto& [k, v] : req.params)
        utf8 = utf8 && validUtf8(k) && validUtf8(v);
    if (!utf8) return refuse(c, ex, 400, "the path or query is not UTF-8");
    if (lengths == 1) {
        std::string text = req.get_header_value("Content-Length");
        if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
            return refuse(c, ex, 400, "a Content-Length that is not a number");
        if (text.size() > 9 || std::stoull(text) > kDrainBytes ||
            (std::stoull(text) > limits.bodyBytes && req.has_header("Expect")))
            return refuse(c, ex, 413, limits.bodyTooLarge);
        if (std::stoull(text) > limits.bodyBytes) {
            ex.draining = true;
        } else {
            req.body.reserve(std::stoull(text));
        }
    }
    if (Link* link = linkOf(c)) {
        link->bodyBytes = 0;
        link->bodyComing =
            encodings == 1 || (lengths == 1 && req.get_header_value("Content-Length") != "0");
    }
    return MHD_YES;
}

namespace {

MHD_Result onRequest(void* cls, MHD_Connection* c, const char* url, const char* method, const char*,
                     const char* upload, size_t* uploadSize, void** context) {
    auto* self = static_cast<HttpServer::Impl*>(cls);
    auto* ex = static_cast<Exchange*>(*context);
    if (!ex) {
        ex = new Exchange;
        *context = ex;
        if (Link* link = linkOf(c)) {
            link->requestSince = nowMs();
            link->headersSince = -1;
        }
        return self->begin(c, *ex, url, method);
    }
    if (*uploadSize > 0) {
        size_t size = *uploadSize;
        *uploadSize = 0;
        if (Link* link = linkOf(c)) link->bodyBytes += size;
        if (ex->abandoned) return MHD_YES;
        if (ex->draining) {
            ex->drained += size;
            if (ex->drained <= kDrainBytes && nowMs() <= ex->deadline) return MHD_YES;
            return abandon(c, *ex, 413, self->limits.bodyTooLarge);
        }
        if (ex->req.body.size() + size > self->limits.bodyBytes)
            return abandon(c, *ex, 413, self->limits.bodyTooLarge);
        if (nowMs() > ex->deadline) return abandon(c, *ex, 408, "the body took too long to arrive");
        ex->req.body.append(upload, size);
        return MHD_YES;
    }
    if (ex->queued) return MHD_YES;
    if (ex->abandoned) return MHD_NO;
    if (ex->draining) return refuse(c, *ex, 413, self->limits.bodyTooLarge);
    if (Link* link = linkOf(c)) link->bodyComing = false;
    try {
        if (!self->router.dispatch(ex->req, ex->res)) replyError(ex->res, 404, "nothing here");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvex-server: %s %s: %s\n", method, url, e.what());
        ex->res = Response{};
        replyError(ex->res, 500, "the request could not be served");
    }
    return answer(c, *ex);
}

void onCompleted(void*, MHD_Connection* c, void** context, MHD_RequestTerminationCode) {
    delete static_cast<Exchange*>(*context);
    *context = nullptr;
    if (Link* link = linkOf(c)) {
        link->bodyComing = false;
        link->answerSince = -1;
        link->headersSince = nowMs();
    }
}

void onConnection(void* cls, MHD_Connection* c, void** socketContext,
                  MHD_ConnectionNotificationCode code) {
    auto* self = static_cast<HttpServer::Impl*>(cls);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        auto* link = new Link;
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(c, MHD_CONNECTION_INFO_CONNECTION_FD);
        link->fd = info ? info->connect_fd : -1;
        link->headersSince = nowMs();
        const MHD_ConnectionInfo* peer =
            MHD_get_connection_info(c, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        link->group = groupOf(peer ? peer->client_addr : nullptr);
        *socketContext = link;
        std::lock_guard lock(self->mutex);
        self->links.insert(link);
        if (!link->group.empty()) ++self->groups[link->group];
    } else if (auto* link = static_cast<Link*>(*socketContext)) {
        // MHD closes the socket only after this: under the lock the sweeper
        // never shuts down a descriptor that is already someone else's.
        {
            std::lock_guard lock(self->mutex);
            self->links.erase(link);
            if (!link->group.empty() && --self->groups[link->group] == 0)
                self->groups.erase(link->group);
        }
        delete link;
        *socketContext = nullptr;
    }
}

// The answer to a body that stopped keeping its pace, written by the sweeper
// (the library writes nothing while a body arrives).
const std::string& slowBodyAnswer() {
    static const std::string text = [] {
        Response res;
        replyError(res, 408, "the body came too slowly");
        secure(res);
        std::string out = "HTTP/1.1 408 Request Timeout\r\nConnection: close\r\nContent-Length: " +
                          std::to_string(res.body.size()) + "\r\n";
        for (const auto& [k, v] : res.headers)
            out += k + ": " + v + "\r\n";
        return out + "\r\n" + res.body;
    }();
    return text;
}

// One IPv6 subscriber holds a /64: its addresses share one per-address
// limit. With three quarters of the slots taken, an address may hold half
// as many: a few addresses holding slow connections leave room for others.
MHD_Result admit(void* cls, const sockaddr* address, socklen_t) {
    auto* self = static_cast<HttpServer::Impl*>(cls);
    std::string group = groupOf(address);
    if (group.empty()) return MHD_YES;
    std::lock_guard lock(self->mutex);
    bool crowded = self->links.size() * 4 > self->limits.connections * 3;
    unsigned cap = crowded ? std::max(1u, self->limits.perAddress / 2) : self->limits.perAddress;
    auto it = self->groups.find(group);
    return it == self->groups.end() || it->second < cap ? MHD_YES : MHD_NO;
}

} // namespace

// Cuts connections whose headers or request ran past their time. When more
// than half the connections are taken, a connection may wait for its next
// request only a second.
void HttpServer::Impl::sweep() {
    std::unique_lock lock(mutex);
    while (!stopping) {
        wake.wait_for(lock, std::chrono::milliseconds(200));
        int64_t now = nowMs();
        bool busy = links.size() * 2 > limits.connections;
        int64_t headerMs = busy ? 1000 : limits.headerSeconds * int64_t{1000};
        int64_t requestMs = (limits.requestSeconds + limits.idleSeconds) * int64_t{1000};
        for (Link* link : links) {
            if (link->cut || link->fd < 0) continue;
            int64_t since = link->headersSince;
            int64_t answering = link->answerSince;
            bool late, slowBody = false;
            if (since >= 0) {
                late = now - since > headerMs;
            } else if (answering >= 0) {
                // A download that keeps moving is not cut for its size.
                int64_t needs =
                    static_cast<int64_t>(link->answerBytes) * 1000 / kAnswerBytesPerSecond;
                late = now - answering > std::max(requestMs, needs + headerMs);
            } else {
                int64_t elapsed = now - link->requestSince;
                int64_t pace = elapsed - headerMs;
                slowBody =
                    link->bodyComing && pace > 0 &&
                    static_cast<int64_t>(link->bodyBytes) < pace * kBodyBytesPerSecond / 1000;
                late = elapsed > requestMs || slowBody;
            }
            if (late) {
                if (slowBody)
                    ::send(link->fd, slowBodyAnswer().data(), slowBodyAnswer().size(),
                           MSG_NOSIGNAL | MSG_DONTWAIT);
                shutdown(link->fd, SHUT_RDWR);
                link->cut = true;
            }
        }
    }
}

HttpServer::HttpServer(const Router& router, const HttpLimits& limits)
    : impl_(std::make_unique<Impl>(router, limits)) {}

HttpServer::~HttpServer() {
    stop();
}

bool HttpServer::start(const std::string& host, int port, std::string& why) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo* found = nullptr;
    std::string service = std::to_string(port);
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || !found) {
        why = "cannot resolve " + host;
        return false;
    }
    sockaddr_storage address{};
    std::memcpy(&address, found->ai_addr, found->ai_addrlen);
    bool v6 = found->ai_family == AF_INET6;
    freeaddrinfo(found);

    const HttpLimits& l = impl_->limits;
    unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | (v6 ? MHD_USE_IPv6 : 0);
    impl_->daemon = MHD_start_daemon(
        flags, static_cast<uint16_t>(port), &admit, impl_.get(), &onRequest, impl_.get(),
        MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&address), MHD_OPTION_THREAD_POOL_SIZE,
        static_cast<unsigned>(l.threads), MHD_OPTION_CONNECTION_LIMIT, l.connections,
        MHD_OPTION_PER_IP_CONNECTION_LIMIT, l.perAddress, MHD_OPTION_CONNECTION_TIMEOUT,
        static_cast<unsigned>(l.idleSeconds),
        // Room for the whole header and some reading: a request beyond it is
        // refused by the library before it reaches us.
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, l.headerBytes * 2, MHD_OPTION_LISTEN_BACKLOG_SIZE,
        1024u, MHD_OPTION_NOTIFY_CONNECTION, &onConnection, impl_.get(),
        MHD_OPTION_NOTIFY_COMPLETED, &onCompleted, impl_.get(), MHD_OPTION_UNESCAPE_CALLBACK,
        &unescape, nullptr, MHD_OPTION_SIGPIPE_HANDLED_BY_APP, 1, MHD_OPTION_END);
    if (!impl_->daemon) {
        why = "cannot listen on " + host + ":" + service;
        return false;
    }
    impl_->stopping = false;
    impl_->sweeper = std::thread([this] { impl_->sweep(); });
    return true;
}

void HttpServer::stop() {
    if (!impl_->daemon) return;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
    }
    impl_->wake.notify_all();
    impl_->sweeper.join();
    MHD_stop_daemon(impl_->daemon);
    impl_->daemon = nullptr;
}
