// The web pages' routes: the leaderboard, players, runs and the stylesheet.
#pragma once

#include "server/http/router.h"

#include "server/http/api.h"

void addSiteRoutes(Router& server, ServerContext& context);
