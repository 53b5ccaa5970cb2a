#include "app/file_filters.h"

#include <cctype>

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return parts;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

}  // namespace

std::vector<FileFilter> ParseFileFilters(const std::string& filters) {
    std::vector<FileFilter> result;
    if (filters.empty()) return result;
    const std::vector<std::string> parts = Split(filters, '|');
    for (size_t i = 0; i < parts.size(); i += 2) {
        FileFilter filter;
        std::string description = Trimmed(parts[i]);
        // The description usually repeats its patterns in brackets; the
        // dialog shows the converted patterns there instead.
        const size_t bracket = description.rfind('(');
        if (bracket != std::string::npos && description.back() == ')')
            description = Trimmed(description.substr(0, bracket));
        const std::string patternText = i + 1 < parts.size() ? parts[i + 1] : "";
        // A list may end in "||".
        if (description.empty() && Trimmed(patternText).empty()) continue;
        for (const std::string& raw : Split(patternText, ';')) {
            const std::string pattern = Trimmed(raw);
            if (pattern.empty()) continue;
            filter.patterns.push_back(pattern == "*.*" ? "*" : pattern);
            // Names on this file system keep their case: "*.FIT" also
            // offers "*.fit".
            std::string lower = pattern;
            for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
            if (lower != pattern) filter.patterns.push_back(lower);
        }
        if (filter.patterns.empty()) filter.patterns.push_back("*");
        if (description.empty() && filter.patterns.size() == 1 && filter.patterns[0] == "*")
            description = "All Files";
        filter.description = description;
        filter.label = description.empty() ? "" : description + " ";
        filter.label += "(";
        for (size_t p = 0; p < filter.patterns.size(); ++p) {
            if (p) filter.label += " ";
            filter.label += filter.patterns[p];
        }
        filter.label += ")";
        result.push_back(std::move(filter));
    }
    return result;
}

std::string DialogFilterString(const std::vector<FileFilter>& filters) {
    std::string joined;
    for (size_t i = 0; i < filters.size(); ++i) {
        if (i) joined += ";;";
        joined += filters[i].label;
    }
    return joined;
}

int FilterIndexOfLabel(const std::vector<FileFilter>& filters, const std::string& label) {
    for (size_t i = 0; i < filters.size(); ++i)
        if (filters[i].label == label) return int(i) + 1;
    return 0;
}
