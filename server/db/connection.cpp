#include "server/db/connection.h"

#include <memory>

namespace {
std::string g_conninfo;
thread_local std::unique_ptr<pqxx::connection> t_connection;
} // namespace

void setConnectionInfo(const std::string& conninfo) {
    g_conninfo = conninfo;
}

pqxx::connection& threadConnection() {
    if (t_connection && !t_connection->is_open()) t_connection.reset();
    if (!t_connection) t_connection = std::make_unique<pqxx::connection>(g_conninfo);
    return *t_connection;
}

void dropThreadConnection() {
    t_connection.reset();
}
