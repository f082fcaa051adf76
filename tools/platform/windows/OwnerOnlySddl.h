// The access list of a file that holds personal data or a password, as the
// text (SDDL) the system turns into a security descriptor. Kept apart from
// the system's calls so that the list itself can be checked: Wine does not
// keep a file's access list.
#pragma once

#include <string>

#include "tools/platform/Grant.h"

// "D:P" a protected list (nothing inherited from the folder) with full file
// access (FA) allowed to the creating account `creatorSid`, and, when
// `grant` names an account, read (FR, icacls "R") or read and write (FRFW,
// icacls "R,W": no right to delete the file or change its access list)
// allowed to that one.
std::string PlatWin_OwnerOnlySddl(const std::string& creatorSid, const PlatGrant* grant);
