// A path as the tools' messages show it, so that an operator finds the one
// file they mean wherever the tool was started.
#pragma once

#include <string>
#include <string_view>

// The absolute, normalised form of a native path, for messages that must
// name the one file they mean: a relative path is taken from the current
// directory, "." and ".." are resolved by name (symbolic links are not
// followed). Returns the path as given when the current directory is gone.
std::string Plat_ShownPath(std::string_view nativePath);
