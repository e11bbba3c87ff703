// Version 1 of the JSON API under /api/v1.
#pragma once

#include <string>

#include "server/http/router.h"

#include "server/config/settings.h"
#include "server/http/rate_limit.h"
#include "server/http/web_files.h"

struct ServerContext {
    explicit ServerContext(const Settings& s) : settings(s), limits(s) {}
    Settings settings;
    std::string defaultBoard;
    int generation = 1; // the default board's: the rules this server's verifier plays
    SharedRateLimits limits;
    WebFiles web; // empty when the browser game is not served
    bool servesWeb() const { return web.count() > 0; }
};

constexpr size_t kMaxSubmissionBytes = 1 << 20;

void addApiRoutes(Router& server, ServerContext& context);
// Last: answers 405 for a known path with the wrong method, 404 otherwise.
void addFallbackRoutes(Router& server);
// The key of the board a replay belongs to: "<fingerprint>-<acceleration>"
// for generation 1 (the keys boards had before generations), with
// "-g<generation>" after it for the later ones.
std::string boardKey(uint64_t fingerprint, float spawnAcceleration, int generation);
int generationOfBoard(const std::string& key);
// Whether `key` could name a board at all ("default" and "classic" too):
// anything else is a bad request, never a question for the database.
bool boardKeyShape(const std::string& key);
