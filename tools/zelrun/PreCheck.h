// Whether an installation is fit for a run of zelwrkjob, checked before it.
//
// zelwrkjob cannot tell: its message log drops what it cannot write, its job
// log is skipped when it cannot be opened, and it ends with exit code 0
// either way. So the wrapper looks first, in the working directory, at what
// the job needs: the configuration file and its three values, the Msg folder
// and the logs in it, the database (a connect and one read), for SQLite the
// database file, its folder and companions, and the download program. It
// only looks: it creates no file, and the connect writes nothing into the
// logs (the message log is never set up in the wrapper).
#pragma once

#include <string>
#include <vector>

// Every problem found, each a line "zelrun: <what is wrong>: <full path>";
// empty when the installation is fit.
std::vector<std::string> PreCheck_Installation();

// What is fit for this run but may spoil a later one, each a line
// "zelrun: warning: <what>: <full path>": a Msg folder that belongs to
// another account (a run as root for one that runs as the folder's owner).
std::vector<std::string> PreCheck_Warnings();
