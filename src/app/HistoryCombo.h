#pragma once

#include "settings/HistoryFile.h"

#include <QComboBox>
#include <string>

// A drop-down combo box whose list is the entry history kept in a small file in the working
// directory. The dialog loads it when it opens and saves it when it closes.
class CHistoryCombo : public QComboBox
{
    Q_OBJECT

public:
    // fileName is joined to workDir unless it is absolute; a load offers depth entries.
    CHistoryCombo(const std::string& fileName, const std::string& workDir,
                  QWidget* parent = nullptr, std::size_t depth = kHistoryLoadDepth);

    const std::string& Path() const { return m_path; }

    // Appends the file's first entries to the list, the first also into the edit field. False
    // (the box unchanged) when the file cannot be opened. A damaged file keeps what was read
    // before the damage and LoadError() says what went wrong.
    bool Load();
    const std::string& LoadError() const { return m_loadError; }

    // Writes the edit field's text, then the list entries that differ from it. False when the
    // file cannot be written.
    bool Save() const;

    // The edit field's text as UTF-8.
    std::string Text() const;
    void SetText(const std::string& text);

private:
    std::string m_path;
    std::string m_loadError;
    std::size_t m_depth;
};
