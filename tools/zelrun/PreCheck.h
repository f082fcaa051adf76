// Whether an installation is fit for a run of zelwrkjob, checked before it.
//
// zelwrkjob cannot tell: its message log drops what it cannot write, its job
// log is skipped when it cannot be opened, and it ends with exit code 0
// either way. So the wrapper looks first, in the working directory, at what
// the job needs: the configuration file and its three values, the Msg folder
// and the logs in it, the database (a connect and one read), for SQLite the
// database file, its folder and companions, and the download program. On
// the database's session it then compares the database's clock with the
// machine's (tools/zelrun/ClockCheck.h) and reads the master data that a
// night would silently do harm with (tools/zelrun/MasterDataCheck.h). It
// only looks: it creates no file and writes no row, and the connect writes
// nothing into the logs (the message log is never set up in the wrapper).
#pragma once

#include <set>
#include <string>
#include <vector>

// The names of the database checks a site may skip (--skip-check), for one
// that deliberately keeps a table empty or its clock apart.
const std::vector<std::string>& PreCheck_SkippableChecks();

// Every problem found, each a line "zelrun: <what is wrong>: <full path>"
// (for a database server, its connection string without a password); empty
// when the installation is fit. The checks named in `skipped` (names of
// PreCheck_SkippableChecks) are not run.
std::vector<std::string> PreCheck_Installation(const std::set<std::string>& skipped);

// What is fit for this run but may spoil a later one, each a line
// "zelrun: warning: <what>: <full path>": a Msg folder that belongs to
// another account (a run as root for one that runs as the folder's owner).
std::vector<std::string> PreCheck_Warnings();
