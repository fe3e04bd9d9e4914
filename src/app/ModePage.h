#pragma once

#include "app/OptionPage.h"

#include <memory>
#include <vector>

class CModeData;
class QListWidget;

// "Modes": the three crawl modes by name, the default one marked " *DEFAULT*". "&Edit..." and
// "&Set As Default" write their file at once (the mode file, or "options.dat"), whatever
// becomes of the sheet.
class CModePage : public COptionPage
{
    Q_OBJECT

public:
    explicit CModePage(CEngine& engine, QWidget* parent = nullptr);
    ~CModePage() override;

    QListWidget* List() const { return m_list; }
    // The buttons' actions on the selected mode; nothing without a selection.
    void EditSelected();
    void SetSelectedAsDefault();

protected:
    void Create() override;

private:
    void MarkDefault();
    void UnmarkDefault();
    bool IsListed(int index) const;

    QListWidget* m_list = nullptr;
    // The three records shown, owned for the page's lifetime.
    std::vector<std::unique_ptr<CModeData>> m_modes;
};
