// Entry point and job dispatch of zelwrkjob.
//
// ZelWrkJob_Main is the whole program: message-log set-up, argument check,
// connect, the run's date, the job of the letter, the start of the download
// program. It always returns 0; success and failure are read from the logs.
#pragma once

int ZelWrkJob_Main(int argc, char** argv);
