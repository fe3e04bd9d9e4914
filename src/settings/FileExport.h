#pragma once

#include <string>
#include <string_view>
#include <vector>

// The two export formats of the found-file list. Every line ends in LF. No Qt here, so the exact
// bytes are easy to test.

// The names the save dialog offers.
inline constexpr const char* kTextExportFile = "export.txt";
inline constexpr const char* kHtmlExportFile = "export.html";

// The text with &, <, > and " written as character references. URLs come from untrusted pages
// and the export is opened in a browser.
std::string EscapeHtml(std::string_view text);

// One URL per line.
std::string BuildTextExport(const std::vector<std::string>& urls);

// An HTML5 page in UTF-8 with a title, a link to makerUrl and one link per URL.
std::string BuildHtmlExport(const std::vector<std::string>& urls, const std::string& makerUrl);

// Creates or truncates path and writes bytes; false when that fails.
bool WriteExportFile(const std::string& path, const std::string& bytes);
