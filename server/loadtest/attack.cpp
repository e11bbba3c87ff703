#include "server/loadtest/attack.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "protocol/api.h"

namespace {

using Clock = std::chrono::steady_clock;

// A socket to 127.0.0.1:port from 127.0.0.<source>; -1 when refused.
int open(int port, int source, bool blocking) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = htonl(0x7f000000u | static_cast<uint32_t>(source));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        close(fd);
        return -1;
    }
    timeval t{5, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &t, sizeof t);
    if (!blocking) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

bool sendAll(int fd, const std::string& text) {
    for (size_t at = 0; at < text.size();) {
        ssize_t n = send(fd, text.data() + at, text.size() - at, MSG_NOSIGNAL);
        if (n <= 0) return false;
        at += static_cast<size_t>(n);
    }
    return true;
}

// Reads one answer whole; its status, 0 when none came.
int readAnswer(int fd) {
    std::string in;
    char buffer[16384];
    size_t want = std::string::npos;
    while (in.size() < want) {
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        in.append(buffer, static_cast<size_t>(n));
        size_t end = in.find("\r\n\r\n");
        if (want == std::string::npos && end != std::string::npos) {
            size_t at = in.find("Content-Length: ");
            want = end + 4 + (at < end ? std::stoul(in.substr(at + 16)) : 0);
        }
    }
    if (in.size() < 12 || in.compare(0, 5, "HTTP/") != 0) return 0;
    return std::atoi(in.c_str() + 9);
}

std::string requestLine(const char* method, const char* path) {
    return std::string(method) + " " + path + " HTTP/1.1\r\n";
}

const std::string kHostLine = "Host: 127.0.0.1\r\n";
const std::string kBoards = requestLine("GET", protocol::kBoardsPath) + kHostLine + "\r\n";

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

long memoryKiB(int pid, const char* field) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::atol(line.c_str() + std::strlen(field));
    return -1;
}

} // namespace

int attackConnections(const char* kind, const AttackOptions& o) {
    bool slowBody = std::strcmp(kind, "slowbody") == 0;
    bool drip = slowBody || std::strcmp(kind, "drip") == 0;
    const std::string probe = requestLine("GET", o.probe) + kHostLine + "\r\n";
    auto start = Clock::now();
    auto stopAt = start + std::chrono::duration<double>(o.seconds);
    std::atomic<bool> done{false};

    // The other client: a new connection for each request, from 127.0.0.1.
    std::vector<double> ms;
    int failed = 0;
    std::thread measure([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(500)); // the attack first
        while (Clock::now() < stopAt) {
            auto sent = Clock::now();
            int fd = open(o.port, 1, true);
            int status = fd >= 0 && sendAll(fd, probe) ? readAnswer(fd) : 0;
            if (fd >= 0) close(fd);
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
            failed += status != 200;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        done = true;
    });

    struct Slow {
        int fd = -1;
        int source = 0;
        Clock::time_point next;
    };
    std::vector<Slow> slow(static_cast<size_t>(o.connections));
    int refused = 0, closedByServer = 0, longest = 0;
    auto reopen = [&](Slow& s) {
        s.fd = open(o.port, s.source, false);
        s.next = Clock::now();
        if (s.fd < 0) {
            ++refused;
            s.next += std::chrono::milliseconds(200);
        } else if (slowBody) {
            // Whole headers, then a submission's body a byte at a time.
            sendAll(s.fd, requestLine("POST", protocol::kRunsPath) + kHostLine + "Content-Type: " +
                              protocol::kReplayContentType + "\r\nContent-Length: 20000\r\n\r\n");
        } else if (drip) {
            sendAll(s.fd, requestLine("GET", protocol::kBoardsPath));
        } else {
            // One real request, then the connection sits kept alive.
            sendAll(s.fd, kBoards);
        }
    };
    for (size_t i = 0; i < slow.size(); ++i) {
        slow[i].source = 2 + static_cast<int>(i) / std::max(1, o.perSource);
        reopen(slow[i]);
    }
    std::vector<Clock::time_point> opened(slow.size(), Clock::now());
    char sink[4096];
    while (!done) {
        auto now = Clock::now();
        for (size_t i = 0; i < slow.size(); ++i) {
            Slow& s = slow[i];
            if (s.fd < 0) {
                if (now >= s.next) reopen(s), opened[i] = now;
                continue;
            }
            // An answer is read and dropped; an end means the server closed it.
            ssize_t n = recv(s.fd, sink, sizeof sink, MSG_DONTWAIT);
            bool gone = n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
            if (!gone && drip && now >= s.next) {
                gone = send(s.fd, "x", 1, MSG_NOSIGNAL) != 1;
                s.next = now + std::chrono::duration_cast<Clock::duration>(
                                   std::chrono::duration<double>(o.interval));
            }
            if (gone) {
                longest = std::max(
                    longest,
                    static_cast<int>(
                        std::chrono::duration_cast<std::chrono::seconds>(now - opened[i]).count()));
                close(s.fd);
                s.fd = -1;
                ++closedByServer;
                s.next = now + std::chrono::milliseconds(100);
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    measure.join();
    int open = 0;
    for (Slow& s : slow)
        if (s.fd >= 0) ++open, close(s.fd);
    std::printf("{\"mode\":\"attack\",\"kind\":\"%s\",\"connections\":%d,\"seconds\":%.0f,"
                "\"requests\":%zu,\"failed\":%d,\"p50_ms\":%.2f,\"p95_ms\":%.2f,\"max_ms\":%.2f,"
                "\"closed_by_server\":%d,\"longest_s\":%d,\"refused\":%d,\"open_at_end\":%d}\n",
                kind, o.connections, o.seconds, ms.size(), failed, percentile(ms, 0.5),
                percentile(ms, 0.95), percentile(ms, 1.0), closedByServer, longest, refused, open);
    return failed == 0 && !ms.empty() ? 0 : 1;
}

int slowRead(const AttackOptions& o) {
    int fd = open(o.port, 1, true);
    if (fd < 0) return 1;
    // A small receive buffer: the pace is the reader's, not the kernel's.
    int small = 16 << 10;
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    std::string request = requestLine("GET", o.probe) + kHostLine + "\r\n";
    auto start = Clock::now();
    size_t want = std::string::npos, got = 0, head = 0;
    std::string in;
    char buffer[4096];
    auto stopAt = start + std::chrono::duration<double>(o.seconds);
    if (sendAll(fd, request)) {
        while (Clock::now() < stopAt) {
            ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            got += static_cast<size_t>(n);
            if (want == std::string::npos) {
                in.append(buffer, static_cast<size_t>(n));
                size_t end = in.find("\r\n\r\n");
                if (end != std::string::npos) {
                    size_t at = in.find("Content-Length: ");
                    head = end + 4;
                    want = at < end ? std::stoul(in.substr(at + 16)) : 0;
                }
            }
            if (want != std::string::npos && got >= head + want) break;
            // Hold to the pace: so many bytes by now, no more.
            double due = static_cast<double>(got) / (o.rateKiB * 1024.0);
            auto at = start + std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::duration<double>(due));
            std::this_thread::sleep_until(at);
        }
    }
    close(fd);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    size_t body = got > head ? got - head : 0;
    bool whole = want != std::string::npos && body >= want;
    std::printf("{\"mode\":\"read\",\"rate_kib\":%.0f,\"length\":%zu,\"received\":%zu,"
                "\"whole\":%s,\"seconds\":%.1f}\n",
                o.rateKiB, want == std::string::npos ? 0 : want, body, whole ? "true" : "false",
                seconds);
    return whole ? 0 : 1;
}

// Connections that send header lines of 8 KB until the server stops them,
// eight at a time, until floodMiB have gone out.
int floodHeaders(const AttackOptions& o) {
    long before = memoryKiB(o.serverPid, "VmRSS:");
    std::string line = "X-Flood: " + std::string(8180, 'f') + "\r\n";
    std::atomic<long> sent{0};
    std::atomic<int> answered431{0}, answeredOther{0}, cut{0};
    auto stopAt = Clock::now() + std::chrono::duration<double>(o.seconds);
    long budget = static_cast<long>(o.floodMiB) << 20;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            while (sent < budget && Clock::now() < stopAt) {
                int fd = open(o.port, 1, true);
                if (fd < 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    continue;
                }
                bool ok = sendAll(fd, requestLine("GET", protocol::kBoardsPath) + kHostLine);
                while (ok && sent < budget && Clock::now() < stopAt) {
                    ok = sendAll(fd, line);
                    if (ok) sent += static_cast<long>(line.size());
                }
                int status = readAnswer(fd);
                (status == 431 ? answered431 : status ? answeredOther : cut)++;
                close(fd);
            }
        });
    for (auto& t : threads)
        t.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // Still answering?
    int fd = open(o.port, 1, true);
    int after = fd >= 0 && sendAll(fd, kBoards) ? readAnswer(fd) : 0;
    if (fd >= 0) close(fd);
    std::printf("{\"mode\":\"flood\",\"sent_mib\":%.1f,\"answered_431\":%d,\"answered_other\":%d,"
                "\"cut\":%d,\"rss_before_kib\":%ld,\"rss_after_kib\":%ld,\"peak_kib\":%ld,"
                "\"boards_after\":%d}\n",
                static_cast<double>(sent.load()) / (1 << 20), answered431.load(),
                answeredOther.load(), cut.load(), before, memoryKiB(o.serverPid, "VmRSS:"),
                memoryKiB(o.serverPid, "VmHWM:"), after);
    return after == 200 ? 0 : 1;
}
