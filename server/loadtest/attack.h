// Connection attacks for quorvex-load: slow or idle connections while
// another client measures the API, and header floods against the server's
// memory. 127.0.0.1 only; extra source addresses are other loopback ones.
#pragma once

#include "protocol/api.h"

struct AttackOptions {
    int port = 8080;
    int connections = 200;
    int perSource = 32;                        // connections from each loopback source address
    double interval = 1.0;                     // seconds between dripped bytes
    double seconds = 20;                       // how long the attack lasts
    int serverPid = 0;                         // flood: whose memory to watch
    int floodMiB = 400;                        // flood: header bytes to send in all
    const char* probe = protocol::kBoardsPath; // what the measuring client asks for
    double rateKiB = 180;                      // read: the reader's pace
};

// kind "drip" (header bytes), "slowbody" (a submission's body bytes) or
// "idle". Prints one JSON line; 0 when every measured request was answered
// 200.
int attackConnections(const char* kind, const AttackOptions& o);
// Reads o.probe at o.rateKiB KiB/s; prints how much of the body came.
int slowRead(const AttackOptions& o);
int floodHeaders(const AttackOptions& o);
