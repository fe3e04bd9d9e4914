#include "app/PasswordDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CPasswordDlg::CPasswordDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Username and Password required."));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Username & Password required for:"), this));
    m_server = new QLabel(QStringLiteral("server"), this);
    m_server->setTextFormat(Qt::PlainText);
    layout->addWidget(m_server);

    auto* form = new QFormLayout;
    m_userName = new QLineEdit(this);
    // The password is shown as typed, like the user name.
    m_password = new QLineEdit(this);
    form->addRow(QStringLiteral("&User name:"), m_userName);
    form->addRow(QStringLiteral("&Password:"), m_password);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void CPasswordDlg::SetServer(const QString& server)
{
    m_server->setText(server);
}

void CPasswordDlg::SetUserName(const QString& userName)
{
    m_userName->setText(userName);
}

void CPasswordDlg::SetPassword(const QString& password)
{
    m_password->setText(password);
}

QString CPasswordDlg::Server() const
{
    return m_server->text();
}

QString CPasswordDlg::UserName() const
{
    return m_userName->text();
}

QString CPasswordDlg::Password() const
{
    return m_password->text();
}
