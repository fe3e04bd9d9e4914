#pragma once

#include <QDialog>
#include <string>

class CHistoryCombo;
class CEngine;
class QRadioButton;

// "Find": the text to search for, with its own history file, and whether to find one match
// or all of them. The history is saved whenever the dialog goes, after OK and after Cancel.
class CFindDlg : public QDialog
{
    Q_OBJECT

public:
    // singleOnly: only one match is wanted, so the two choices are disabled. Otherwise "Find
    // &All" is preselected.
    CFindDlg(bool singleOnly, const std::string& historyFile, CEngine& engine,
             QWidget* parent = nullptr);
    ~CFindDlg() override;

    // After OK: the text to search for, and whether every match is wanted.
    const std::string& SearchText() const { return m_searchText; }
    bool FindAll() const { return m_findAll; }

    CHistoryCombo* SearchCombo() const { return m_search; }
    QRadioButton* FindOneButton() const { return m_findOne; }
    QRadioButton* FindAllButton() const { return m_findAllButton; }

    void accept() override;

private:
    CHistoryCombo* m_search = nullptr;
    QRadioButton* m_findOne = nullptr;
    QRadioButton* m_findAllButton = nullptr;
    std::string m_searchText;
    bool m_findAll = false;
};
