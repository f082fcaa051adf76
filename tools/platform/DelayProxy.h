// A stand-in for a network between the job and its database server, on one
// machine: a proxy that forwards connections from one Unix socket to another
// and holds every chunk of bytes a fixed time in each direction before
// passing it on, so that every round trip takes twice that time longer.
// Used by the benchmark (zelbench delay-proxy) to measure the jobs as a site
// with its server across a network sees them.
#pragma once

#include <string>

// Listens on `listenPath` and forwards each connection to `targetPath`, each
// direction delayed by `delayMicros`. Runs until the process is ended;
// returns non-zero when it cannot listen.
int Plat_RunDelayProxy(const std::string& listenPath, const std::string& targetPath, int delayMicros);
