#pragma once

#include <QDialog>

class CHyperlinkButton;

// The About box: the program's name and version, and a link to the maker's home page.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    CHyperlinkButton* Link() const { return m_link; }

private:
    CHyperlinkButton* m_link = nullptr;
};
