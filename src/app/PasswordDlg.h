#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;

// Asks for the user name and password that a server wants (HTTP 401).
class CPasswordDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CPasswordDlg(QWidget* parent = nullptr);

    // The values shown when the dialog opens; read them back after OK.
    void SetServer(const QString& server);
    void SetUserName(const QString& userName);
    void SetPassword(const QString& password);
    QString Server() const;
    QString UserName() const;
    QString Password() const;

private:
    QLabel* m_server = nullptr;
    QLineEdit* m_userName = nullptr;
    QLineEdit* m_password = nullptr;
};
