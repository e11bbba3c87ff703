// The HTTP side: GNU libmicrohttpd on epoll with a pool of request threads.
// Idle and slow connections cost a little memory and no thread; what a
// client may send is bounded here, before any handler sees it.
#pragma once

#include <memory>
#include <string>

#include "server/http/router.h"

struct HttpLimits {
    int threads = 16;
    unsigned connections = 1024;   // open at once, in all
    unsigned perAddress = 64;      // open at once from one client address
    int headerSeconds = 5;         // a request's headers, whole, from the end of the last answer
    int requestSeconds = 30;       // a body, from the end of its headers
    int idleSeconds = 10;          // nothing sent either way
    size_t headerBytes = 32 << 10; // all header lines together (431 above)
    size_t headerLine = 8 << 10;   // one header line (431 above)
    size_t pathBytes = 1024;       // 414 above
    size_t bodyBytes = 1 << 20;    // 413 above
    std::string bodyTooLarge = "the body is too large";
};

class HttpServer {
  public:
    HttpServer(const Router& router, const HttpLimits& limits);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;
    // Serves in threads of its own; false with `why` when it cannot listen.
    bool start(const std::string& host, int port, std::string& why);
    void stop();

    struct Impl;

  private:
    std::unique_ptr<Impl> impl_;
};
