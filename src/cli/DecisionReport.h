#pragma once

#include <cstdio>
#include <string>
#include <vector>

class CEngine;
struct CRunSetting;

// One line per URL: the URL as given, a tab and why the run did what it did with it (naming the
// command line's setting when one made the decision).
void WriteWhyLines(std::FILE* out, const CEngine& engine, const std::vector<std::string>& urls,
                   const std::vector<CRunSetting>& settings);

// Writes the decision on every link the run met to path, one tab-separated line each: URL,
// decision, reason, value (naming the command line's setting that made it, if one did), page
// found on. False with error set when the file cannot be written.
bool WriteExplainFile(const std::string& path, const CEngine& engine,
                      const std::vector<CRunSetting>& settings, std::string& error);
