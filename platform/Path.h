// Paths as the system writes them, and as this operating system opens them.
//
// The system names its files the Windows way (".\Msg\ZelWrkJob.txt",
// "..\..\..\..\files\veldoran.ini"). Every module keeps those names as they
// stand and turns them into a native path only at the moment a file is
// opened, renamed or deleted.
#pragma once

#include <string>
#include <string_view>

// The native form of a system path: on POSIX every backslash becomes a slash;
// on Windows the path stands as it is.
std::string Plat_NativePath(std::string_view systemPath);
