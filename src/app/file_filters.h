// The file dialogs' filter lists come as "FITS Files (*.fit)|*.fit|All Files
// (*.*)|*.*": pairs of a description and its patterns (separated by ';').
// This turns them into the entries a desktop file dialog shows.
#pragma once
#include <string>
#include <vector>

struct FileFilter {
    std::string description;            // "FITS Files"
    std::vector<std::string> patterns;  // "*.fit"; "*.*" becomes "*"
    std::string label;                  // "FITS Files (*.fit)"
};

std::vector<FileFilter> ParseFileFilters(const std::string& filters);
// The labels joined by ";;".
std::string DialogFilterString(const std::vector<FileFilter>& filters);
// The one-based index of the label among the filters; 0 when absent.
int FilterIndexOfLabel(const std::vector<FileFilter>& filters, const std::string& label);
