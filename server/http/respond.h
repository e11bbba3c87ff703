// Answers shared by the API and the pages, and the database guard both use.
#pragma once

#include <functional>
#include <string>

#include <httplib.h>
#include <nlohmann/json.hpp>

void replyJson(httplib::Response& res, int status, const nlohmann::json& body);
void replyError(httplib::Response& res, int status, const std::string& message);
// Runs `work` on this thread's connection. A broken connection is retried
// once on a fresh one (every call is idempotent); if the database stays
// away the answer is 503 with Retry-After.
void withDatabase(httplib::Response& res, const std::function<void()>& work);
