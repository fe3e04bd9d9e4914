#pragma once

#include <QDialog>

class CModeData;
class CUserPrompts;
class QCheckBox;
class QLineEdit;

// "Mode Definition": edits one crawl mode. OK stores the controls into the record (after the
// number fields have been checked); Cancel leaves the record as it was.
class CModeDlg : public QDialog
{
    Q_OBJECT

public:
    CModeDlg(CUserPrompts& prompts, CModeData& mode, QWidget* parent = nullptr);

    void accept() override;

private:
    CUserPrompts& m_prompts;
    CModeData& m_mode;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_localFollowMax = nullptr;
    QCheckBox* m_followParentSites = nullptr;
    QCheckBox* m_autoFollowExternal = nullptr;
    QLineEdit* m_externalFollowMax = nullptr;
    QLineEdit* m_maxDepth = nullptr;
    QCheckBox* m_onlyIfModified = nullptr;
    QLineEdit* m_pagesAtOnce = nullptr;
};
