// The API's PostgreSQL connections: a pool of its own, at most N open
// however many request threads there are. A request holds one connection
// for the span of a DatabaseLease; a broken one is dropped, so a restarted
// database is reached again on the next request.
#pragma once

#include <chrono>
#include <memory>
#include <pqxx/pqxx>
#include <string>

void setConnectionInfo(const std::string& conninfo, int poolSize = 10);

class DatabaseLease {
  public:
    // Waits up to `wait` for a free connection; ok() says whether one came.
    explicit DatabaseLease(std::chrono::milliseconds wait = std::chrono::seconds(5));
    ~DatabaseLease();
    DatabaseLease(const DatabaseLease&) = delete;
    DatabaseLease& operator=(const DatabaseLease&) = delete;
    bool ok() const { return ok_; }

  private:
    bool ok_ = false;
};

// The connection of this thread's lease, opened on first use.
pqxx::connection& threadConnection();
// Closes it: the lease gives the pool nothing back.
void dropThreadConnection();
