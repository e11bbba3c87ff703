#include "server/db/connection.h"

#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <vector>

namespace {

struct Pool {
    std::string conninfo;
    int size = 10;
    int leased = 0;
    std::vector<std::unique_ptr<pqxx::connection>> idle;
    std::mutex mutex;
    std::condition_variable freed;
};

Pool g_pool;

struct Held {
    bool active = false;
    std::unique_ptr<pqxx::connection> connection;
};
thread_local Held t_held;

} // namespace

void setConnectionInfo(const std::string& conninfo, int poolSize) {
    std::lock_guard lock(g_pool.mutex);
    g_pool.conninfo = conninfo;
    g_pool.size = poolSize < 1 ? 1 : poolSize;
    g_pool.idle.clear();
}

DatabaseLease::DatabaseLease(std::chrono::milliseconds wait) {
    if (t_held.active) throw std::logic_error("a thread holds one database lease at a time");
    std::unique_lock lock(g_pool.mutex);
    if (!g_pool.freed.wait_for(lock, wait, [] { return g_pool.leased < g_pool.size; })) return;
    ++g_pool.leased;
    ok_ = true;
    t_held.active = true;
    if (!g_pool.idle.empty()) {
        t_held.connection = std::move(g_pool.idle.back());
        g_pool.idle.pop_back();
    }
}

DatabaseLease::~DatabaseLease() {
    if (!ok_) return;
    std::unique_ptr<pqxx::connection> back = std::move(t_held.connection);
    t_held.active = false;
    {
        std::lock_guard lock(g_pool.mutex);
        --g_pool.leased;
        if (back && back->is_open()) {
            g_pool.idle.push_back(std::move(back));
            back = nullptr;
        }
    }
    g_pool.freed.notify_one();
}

pqxx::connection& threadConnection() {
    if (!t_held.active) throw std::logic_error("no database lease on this thread");
    if (t_held.connection && !t_held.connection->is_open()) t_held.connection.reset();
    if (!t_held.connection) {
        std::string conninfo;
        {
            std::lock_guard lock(g_pool.mutex);
            conninfo = g_pool.conninfo;
        }
        t_held.connection = std::make_unique<pqxx::connection>(conninfo);
    }
    return *t_held.connection;
}

void dropThreadConnection() {
    t_held.connection.reset();
}
