// Windows-style program paths ("c:\autosave\Velmora.ini") live under a data
// root: c:\ is $VELMORA_HOME (default ~/.local/share/velmora), backslashes
// become '/', folder names are folded to lower case and file names are kept.
// Any other path is a host path (from the file chooser or the command line)
// and is used exactly as given: a '\' in it is part of a file name.
#pragma once
#include <string>

// The data root, without a trailing slash.
std::string DataRoot();
// True when the path begins with a drive ("c:"): a program path.
bool HasDrive(const std::string& path);
// Maps a program path to a host path; a path without a drive is returned
// unchanged. With lastIsFolder the final component is a folder name (folded
// to lower case).
std::string MapPath(const std::string& programPath, bool lastIsFolder = false);
// A folder typed in the program's own style (the autosave folder): a text
// with a drive is returned as typed (a program path); any other text names a
// host folder, '\' read as a separator, relative to the current folder unless
// it begins with '/'. So the folder checked and the folder written are one.
std::string ResolveTypedFolder(const std::string& typed);
// folder + name, joined by '\' after a program path and '/' after a host path.
std::string JoinPath(const std::string& folder, const std::string& name);
// Creates a directory and its parents; true when it exists afterwards.
bool EnsureDirectory(const std::string& hostPath);
bool DirectoryExists(const std::string& hostPath);
bool FileExists(const std::string& hostPath);
// The final component of a path (after the last '/' or '\').
std::string FileTitle(const std::string& path);
