#pragma once

#include <string>
#include <vector>

class QAbstractItemView;

// Selections of the flat lists (found files, downloads) by row number. User-interface thread.

// The selected rows, top to bottom, from the selection's ranges (not one index per cell, which
// a million selected rows would make slow).
std::vector<int> SelectedRowsOf(const QAbstractItemView& view);
// Selects exactly these rows, whole.
void SelectRowsOf(QAbstractItemView& view, std::vector<int> rows);
// Puts the addresses on the clipboard, one a line (the last line ends too, so a paste into a
// terminal or a list file takes every line).
void CopyAddressLines(const std::vector<std::string>& urls);
