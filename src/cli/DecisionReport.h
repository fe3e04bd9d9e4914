#pragma once

#include <cstdio>
#include <string>
#include <vector>

class CEngine;

// One line per URL: the URL as given, a tab and why the run did what it did with it.
void WriteWhyLines(std::FILE* out, const CEngine& engine, const std::vector<std::string>& urls);

// Writes the decision on every link the run met to path, one tab-separated line each: URL,
// decision, reason, value, page found on. False with error set when the file cannot be written.
bool WriteExplainFile(const std::string& path, const CEngine& engine, std::string& error);
