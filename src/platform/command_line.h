// Command lines of programs the program starts: words separated by spaces; a
// word in double quotes may hold spaces, and inside quotes \" and \\ stand
// for " and \.
#pragma once
#include <string>
#include <vector>

std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// The word quoted so that SplitCommandLine gives it back whole.
std::string QuoteCommandWord(const std::string& word);
