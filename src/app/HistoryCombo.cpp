#include "app/HistoryCombo.h"

#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "settings/DataPaths.h"
#include "settings/HistoryFile.h"

#include <QLineEdit>
#include <vector>

namespace
{

QString ToText(const std::string& bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

CHistoryCombo::CHistoryCombo(const std::string& fileName, const std::string& workDir,
                             QWidget* parent, std::size_t depth)
    : QComboBox(parent), m_path(JoinDataPath(workDir, fileName)), m_depth(depth)
{
    setEditable(true);
    // The list changes only through Load; what the user types is not completed from it.
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    setDuplicatesEnabled(true);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(30);
}

bool CHistoryCombo::Load()
{
    m_loadError.clear();
    std::string bytes;
    if (!ReadWholeFile(m_path, bytes))
        return false;
    const CHistoryRead read = ParseHistory(bytes, m_path, m_depth);
    m_loadError = read.error;
    for (const std::string& entry : read.entries)
        addItem(ToText(entry));
    if (!read.entries.empty())
        setEditText(ToText(read.entries.front()));
    return true;
}

bool CHistoryCombo::Save() const
{
    std::vector<std::string> list;
    list.reserve(static_cast<std::size_t>(count()));
    for (int i = 0; i < count(); ++i)
        list.push_back(itemText(i).toStdString());
    try
    {
        WriteFileAtomically(m_path, BuildHistoryBytes(Text(), list));
    }
    catch (const CFileError&)
    {
        return false;
    }
    return true;
}

std::string CHistoryCombo::Text() const
{
    return currentText().toStdString();
}

void CHistoryCombo::SetText(const std::string& text)
{
    setEditText(ToText(text));
}
