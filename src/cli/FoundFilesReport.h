#pragma once

#include <cstdio>
#include <string>
#include <vector>

class CEngine;

// Writes the found files that are left in the list when the run ends: one URL a line, or with
// tsv a header line and then URL, size in bytes (empty when unknown) and the page on which the
// file was found, tab-separated. Sizes and pages are the engine's; passwords are
// shown as "***" and control characters escaped.
void WriteFoundFiles(std::FILE* out, const std::vector<std::string>& urls, const CEngine& engine,
                     bool tsv);

// A field of a tab-separated line: tabs, line ends and other control bytes are written as %XX.
std::string TsvField(const std::string& text);
