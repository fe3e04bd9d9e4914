#pragma once

#include <string>
#include <string_view>
#include <vector>

// Whole-file access for the small settings and history files.

// Reads the whole regular file at path into bytes. False when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& bytes);

// Writes all of bytes to the descriptor, through interruptions and short writes: 0 or the
// system's error number.
int WriteAllBytes(int fd, std::string_view bytes);

// The lines of a file's text, without their '\n'; a last line without one counts too.
std::vector<std::string> SplitLines(std::string_view text);

// Writes bytes to a new file in the same folder and renames it over path, so that a crash or a
// full disk never leaves a half-written file behind. A symbolic link at path is followed and
// its target replaced; an existing file keeps its permission bits. A file that already holds
// exactly these bytes is not written again. Raises CFileError
// (kWriteFailed) when any step fails; path is then unchanged.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

// Gives the file at from the name to, unless that name is taken (by a file, a folder or a
// symbolic link, even a dangling one). Both lie in the same folder. 0 when moved; otherwise the
// system's error number, EEXIST when the name is taken.
int MoveWithoutReplacing(const std::string& from, const std::string& to);
