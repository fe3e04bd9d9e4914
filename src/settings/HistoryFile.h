#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The entry history of a combo box ("url.dat", "findsite.dat", "findfile.dat"): a 32-bit count,
// then the edit field's text, then the drop-down entries that differ from it, as archive
// strings.

// How many entries a load reads, whatever the file holds, unless the caller says otherwise.
inline constexpr std::size_t kHistoryLoadDepth = 5;

struct CHistoryRead
{
    // The entries read, in file order; the first one is the last edit text.
    std::vector<std::string> entries;
    // Empty when the file was read to the end of what a load takes; else why it stopped early
    // (the entries read before the damage are kept).
    std::string error;
};

// The first depth entries of a history file's bytes. path names the file in the error text.
CHistoryRead ParseHistory(std::string_view bytes, const std::string& path,
                          std::size_t depth = kHistoryLoadDepth);

// The bytes of a history file: editText first, then every list entry not exactly equal to it,
// in list order; an address among them keeps its user name but not its password.
std::string BuildHistoryBytes(const std::string& editText, const std::vector<std::string>& list);
