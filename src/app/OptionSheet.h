#pragma once

#include "settings/Options.h"

#include <QDialog>
#include <vector>

class CConnectionPage;
class CMiscPage;
class CModePage;
class COptionPage;
class CEngine;
class QDialogButtonBox;
class QTabWidget;

// The tabbed "Options" sheet: nine pages that edit the options, the crawl modes and the
// histories. The pages edit a working copy of the options, which replaces the program's options
// on OK only: Cancel leaves every option as it was when the sheet opened. The Modes page's
// buttons and the History page's "Clear" act at once, and say so.
class COptionSheet : public QDialog
{
    Q_OBJECT

public:
    enum EPage
    {
        kFileTypes,
        kKeywords,
        kFileSize,
        kMisc,
        kDuplicates,
        kExclude,
        kHistory,
        kModes,
        kConnection,
        kPageCount
    };

    // Opens on the page that was active when the sheet last closed in this run.
    COptionSheet(QWidget* parent, CEngine& engine);
    ~COptionSheet() override;

    // The Options command: runs the sheet modally; on OK the edited options, the Connection
    // values among them, replace the program's options and are published. True for OK; the
    // caller then saves the options and renames the mode items.
    static bool Run(QWidget* parent, CEngine& engine);

    // Leaves the active page (it may refuse) and shows another; true when it was shown.
    bool SetActivePage(int index);
    int ActivePage() const { return m_active; }
    COptionPage* Page(int index) const;
    CConnectionPage* Connection() const;
    CMiscPage* Misc() const;
    // The working copy that the pages edit.
    const COptions& EditedOptions() const { return m_edited; }
    CModePage* Modes() const;
    QTabWidget* Tabs() const { return m_tabs; }

    // The page the next sheet of this run opens on (0 at program start).
    static int LastOptionsPage();
    static void SetLastOptionsPage(int index);

    void accept() override;
    void done(int result) override;

    // F1: the options page of the online documentation, in the browser when the maker's site
    // answers, else a message that the user must be online.
    void ShowHelp();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnTabChanged(int index);

    CEngine& m_engine;
    COptions m_edited;
    QTabWidget* m_tabs = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    std::vector<COptionPage*> m_pages;
    int m_active = -1;
    bool m_switching = false;
};
