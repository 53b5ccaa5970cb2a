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

std::string MapPath(const std::string& programPath, bool lastIsFolder) {
    const bool hasDrive = programPath.size() >= 2 && programPath[1] == ':' &&
                          std::isalpha(static_cast<unsigned char>(programPath[0]));
    std::string rest = hasDrive ? programPath.substr(2) : programPath;
    for (char& c : rest)
        if (c == '\\') c = '/';
    if (!hasDrive) return rest;

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
