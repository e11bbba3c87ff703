// The leaderboard's API as the game and the server both spell it: the
// paths under /api/v1, the headers a submission carries, and board keys.
// Plain C++ and no project code beneath it, so that either side can use it.
#pragma once

#include <string>

namespace protocol {

inline constexpr char kRunsPath[] = "/api/v1/runs";           // POST a replay; GET /ID
inline constexpr char kDailyPath[] = "/api/v1/daily";         // GET today's daily
inline constexpr char kBoardsPath[] = "/api/v1/boards";       // GET the boards; /KEY
inline constexpr char kPlayersPath[] = "/api/v1/players";     // GET /NAME
inline constexpr char kPlayerMePath[] = "/api/v1/players/me"; // DELETE: forget me

// Who sends: "Authorization: Bearer <token>" and the name to rank under.
inline constexpr char kAuthorizationHeader[] = "Authorization";
inline constexpr char kBearerPrefix[] = "Bearer ";
inline constexpr char kNameHeader[] = "X-Quorvex-Name";
// A busy server's wait, in seconds.
inline constexpr char kRetryAfterHeader[] = "Retry-After";
// A submission's body is the replay file as it is on disk.
inline constexpr char kReplayContentType[] = "application/octet-stream";

// A board's key: "<fingerprint>-<acceleration>" for generation 1 (the keys
// boards had before generations), with "-g<generation>" after it for the
// later ones.
std::string boardKey(const std::string& fingerprint, const std::string& acceleration,
                     int generation);
// The generation a key ranks (1 without "-g").
int generationOfBoard(const std::string& key);
// The acceleration a key ranks; -1 for a key without one.
float accelerationOfBoard(const std::string& key);

} // namespace protocol
