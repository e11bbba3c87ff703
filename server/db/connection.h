// One PostgreSQL connection per thread, opened on first use and dropped
// when it breaks, so a restarted database is reached again on the next
// request.
#pragma once

#include <pqxx/pqxx>
#include <string>

void setConnectionInfo(const std::string& conninfo);
pqxx::connection& threadConnection();
void dropThreadConnection();
