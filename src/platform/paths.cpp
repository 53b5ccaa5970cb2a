#include "platform/paths.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

std::string DataRoot() {
    if (const char* home = std::getenv("VELMORA_HOME"); home && *home) {
        std::string root = home;
        while (root.size() > 1 && root.back() == '/') root.pop_back();
        return root;
    }
    const char* user = std::getenv("HOME");
    return std::string(user && *user ? user : ".") + "/.local/share/velmora";
}

static std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool HasDrive(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

std::string MapPath(const std::string& programPath, bool lastIsFolder) {
    if (!HasDrive(programPath)) return programPath;
    std::string rest = programPath.substr(2);
    for (char& c : rest)
        if (c == '\\') c = '/';

    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t slash = rest.find('/', start);
        if (slash == std::string::npos) slash = rest.size();
        if (slash > start) parts.push_back(rest.substr(start, slash - start));
        start = slash + 1;
    }
    const bool trailingSlash = !rest.empty() && rest.back() == '/';
    std::string mapped = DataRoot();
    for (size_t i = 0; i < parts.size(); ++i) {
        const bool isFolder = i + 1 < parts.size() || lastIsFolder || trailingSlash;
        mapped += "/" + (isFolder ? Lower(parts[i]) : parts[i]);
    }
    return mapped;
}

std::string ResolveTypedFolder(const std::string& typed) {
    if (typed.empty() || HasDrive(typed)) return typed;
    std::string folder = typed;
    for (char& c : folder)
        if (c == '\\') c = '/';
    if (typed[0] == '/') return folder;
    // Relative to the current folder; a leading '\' only saves the separator.
    std::error_code ec;
    const std::string current = fs::current_path(ec).string();
    return current + (folder[0] == '/' ? "" : "/") + folder;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder + (HasDrive(folder) ? "\\" : "/") + name;
}

bool EnsureDirectory(const std::string& hostPath) {
    std::error_code ec;
    fs::create_directories(hostPath, ec);
    return fs::is_directory(hostPath, ec);
}

bool DirectoryExists(const std::string& hostPath) {
    std::error_code ec;
    return fs::is_directory(hostPath, ec);
}

bool FileExists(const std::string& hostPath) {
    std::error_code ec;
    return fs::is_regular_file(hostPath, ec);
}

std::string FileTitle(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}
