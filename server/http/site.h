// The web pages' routes: the leaderboard, players, runs and the stylesheet.
#pragma once

#include <httplib.h>

#include "server/http/api.h"

void addSiteRoutes(httplib::Server& server, ServerContext& context);
