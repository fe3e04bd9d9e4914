#include "app/AboutDlg.h"

#include "app/AppResources.h"
#include "app/HyperlinkButton.h"
#include "app/MakerSite.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace
{

// The link's caption: the site's address without its scheme.
QString SiteCaption(const QString& url)
{
    QString caption = url;
    const qsizetype scheme = caption.indexOf(QStringLiteral("://"));
    if (scheme >= 0)
        caption.remove(0, scheme + 3);
    return caption;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Harvestor"));
    auto* layout = new QVBoxLayout(this);

    auto* top = new QHBoxLayout;
    auto* icon = new QLabel(this);
    icon->setPixmap(ApplicationIcon().pixmap(48, 48));
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* text = new QVBoxLayout;
    text->addWidget(new QLabel(QStringLiteral("Harvestor Version 1.52"), this));
    text->addWidget(new QLabel(QStringLiteral("Copyright (C) Quillfen"), this));
    top->addLayout(text, 1);
    layout->addLayout(top);

    const QString home = QString::fromStdString(MakerSiteBase()) + QLatin1Char('/');
    m_link = new CHyperlinkButton(this);
    m_link->setText(SiteCaption(QString::fromStdString(MakerSiteBase())));
    m_link->SetURL(home);
    layout->addWidget(m_link);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    buttons->button(QDialogButtonBox::Ok)->setFocus();
}

CAboutDlg* CAboutDlg::ShowAtStartup(QWidget* parent, std::chrono::milliseconds shownFor)
{
    auto* about = new CAboutDlg(parent);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->setModal(false);
    about->m_closesOnClick = true;
    QTimer::singleShot(shownFor, about, &QDialog::close);
    about->show();
    return about;
}

void CAboutDlg::mousePressEvent(QMouseEvent* event)
{
    if (m_closesOnClick)
    {
        event->accept();
        close();
        return;
    }
    QDialog::mousePressEvent(event);
}
