// A request to stop, from outside: the termination signals of POSIX
// (SIGTERM from a service manager or kill, SIGINT from the keyboard, SIGHUP
// from a closed terminal).
//
// A program that runs another one on behalf of a scheduler must not die of
// them alone and leave the other one running without it: it takes note of
// the request, ends what it started, and then ends itself in order.
#pragma once

// From now on the termination signals no longer end this process; each one
// is noted instead. Programs it starts later get the default handling back.
void Plat_CatchStopRequests();

// Whether a stop was requested since Plat_CatchStopRequests.
bool Plat_StopRequested();
