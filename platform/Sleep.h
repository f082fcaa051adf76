// Pausing the process, for the message log's waits on a file held by
// another writer.
#pragma once

#include <cstdint>

// Sleeps at least `milliseconds` (a signal does not cut the pause short).
void Plat_SleepMs(uint32_t milliseconds);
