// Answers shared by the API and the pages, and the database guard both use.
#pragma once

#include <functional>
#include <string>

#include <nlohmann/json.hpp>

#include "server/http/request.h"

void replyJson(Response& res, int status, const nlohmann::json& body);
void replyError(Response& res, int status, const std::string& message);
// Runs `work` with a connection leased from the pool. A broken connection
// is retried once on a fresh one (every call is idempotent); if the database
// stays away, or no connection frees up in time, the answer is 503 with
// Retry-After. A value PostgreSQL cannot read is the request's fault: 400,
// and the connection stays.
void withDatabase(Response& res, const std::function<void()>& work);
