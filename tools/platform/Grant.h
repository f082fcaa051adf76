// Naming the account that runs the job, so that a file the installer makes
// (the configuration, the database) is open to that account as well as to
// its creator, and to nobody else.
//
// The installer makes the files in an administrator's session; the job runs
// later under a service account. A file that grants its creator alone would
// fail the first scheduled run.
#pragma once

#include <string>

// What the named account may do with the file: read it (the configuration,
// which holds the password) or read and write it (the database).
enum class PlatGrantRights { Read, ReadWrite };

// An account found by the system's account look-up.
struct PlatGrant {
  std::string name;  // as given, for messages
  PlatGrantRights rights = PlatGrantRights::Read;
  std::string sid;        // Windows: the account's security identifier as text ("S-1-5-21-...")
  bool isGroup = false;   // POSIX: a group (becomes the file's group) or a user (its owner)
  unsigned long id = 0;   // POSIX: the uid or gid
};

// Looks up `account` and fills `grant`. Returns an empty text, or the
// failure as one line ("no account named 'X' on this machine ...").
//
// Windows: any name LookupAccountName knows ("DOMAIN\name",
// "COMPUTER\name", "name", a group such as "Administrators"); the file's
// access list then holds two entries, full access for the creating account
// and read (or read and write) for this one, nothing inherited.
//
// POSIX: "group:NAME" names a group, "user:NAME" or a plain NAME a user. A
// group becomes the file's group, with mode 0640 (read) or 0660 (read and
// write); the creator must be a member of it, or root. A user becomes the
// file's owner, with mode 0600; only root may give a file away, so for
// anyone else that must be the creator itself. Both are checked here, before
// anything is made.
std::string Plat_ResolveGrant(const std::string& account, PlatGrantRights rights, PlatGrant& grant);
