#pragma once

#include <string>
#include <string_view>

// The per-user settings that the window keeps through Qt ("Quillfen/Harvestor.conf" in the
// user's configuration folder, in Qt's INI form), written here for runs without Qt.

// The file's path: $XDG_CONFIG_HOME, else $HOME/.config; empty when neither is usable.
std::string UserSettingsPath();

// A text value in the form Qt's INI files keep it: backslash escapes, a leading '@' doubled,
// quotes around a value with ',', ';' or '=' or a space at either end.
std::string IniValue(std::string_view text);

// Writes the work directory as General/workdir when the file holds no such value yet; the rest
// of the file stays as it was. A file that cannot be read or written is left alone, as the
// window's settings do.
void RecordWorkDirectory(const std::string& path, const std::string& workDir);
