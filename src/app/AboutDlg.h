#pragma once

#include <QDialog>
#include <chrono>

class CHyperlinkButton;

// The About box: the program's name and version, and a link to the maker's home page.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    CHyperlinkButton* Link() const { return m_link; }

    // A box that does not block: it deletes itself when it closes, after shownFor or at a
    // click into it (the link still opens the site). Returns the box.
    static CAboutDlg* ShowAtStartup(QWidget* parent,
                                    std::chrono::milliseconds shownFor = std::chrono::seconds(5));

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool m_closesOnClick = false;
    CHyperlinkButton* m_link = nullptr;
};
