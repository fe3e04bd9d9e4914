#pragma once

#include <QDialog>
#include <string>

class CEngine;
class QLabel;
class QLineEdit;

// "Why?": what the session's crawls did with a URL, and why, in plain language. Given a URL (the
// selected node or file) it answers at once; otherwise it waits for one, completing from the
// URLs met.
class CWhyDlg : public QDialog
{
    Q_OBJECT

public:
    CWhyDlg(CEngine& engine, const std::string& url, QWidget* parent = nullptr);

    QLineEdit* UrlEdit() const { return m_url; }
    QString Answer() const;
    // Answers for the URL in the field.
    void Ask();

private:
    CEngine& m_engine;
    QLineEdit* m_url = nullptr;
    QLabel* m_answer = nullptr;
};
