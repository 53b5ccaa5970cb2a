// Windows-style program paths ("c:\autosave\Velmora.ini") live under a data
// root: c:\ is $VELMORA_HOME (default ~/.local/share/velmora), backslashes
// become '/', folder names are folded to lower case and file names are kept.
#pragma once
#include <string>

// The data root, without a trailing slash.
std::string DataRoot();
// Maps a program path to a host path. A path without a drive letter is taken
// as a host path and only has its backslashes turned into '/'. With
// lastIsFolder the final component is a folder name (folded to lower case).
std::string MapPath(const std::string& programPath, bool lastIsFolder = false);
// Creates a directory and its parents; true when it exists afterwards.
bool EnsureDirectory(const std::string& hostPath);
bool DirectoryExists(const std::string& hostPath);
bool FileExists(const std::string& hostPath);
// The final component of a path (after the last '/' or '\').
std::string FileTitle(const std::string& path);
