#pragma once

#include <string>

namespace quabrel {

// Skins are written on systems where '\' separates folders and letter case
// does not matter. These helpers let such names work on this file system.

// Replaces every backslash with '/'.
std::string ToNativeSeparators(std::string path);

// Returns `path` when it exists as spelled. Otherwise walks it one component
// at a time and, where a component does not exist, takes the entry of that
// folder whose name matches it ignoring ASCII letter case (the first in byte
// order when several do). Returns `path` unchanged when nothing matches.
std::string FindPathIgnoringCase(const std::string& path);

// True when a file or folder exists at `path` as spelled.
bool PathExists(const std::string& path);

}  // namespace quabrel
