#include "app/HyperlinkButton.h"

#include "app/AppMessages.h"
#include "app/OpenTarget.h"

#include <QDesktopServices>
#include <QFont>
#include <QMessageBox>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QUrl>

namespace
{

constexpr int kLinkFontPixels = 15;

bool OpenInBrowser(const QString& url)
{
    return QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
}

} // namespace

CHyperlinkButton::CHyperlinkButton(QWidget* parent) : QAbstractButton(parent), m_open(OpenInBrowser)
{
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, &CHyperlinkButton::OpenLink);
}

bool CHyperlinkButton::SetURL(const QString& url)
{
    m_url = url;
    QFont linkFont(QStringLiteral("Arial"));
    linkFont.setPixelSize(kLinkFontPixels);
    linkFont.setWeight(QFont::Normal);
    linkFont.setItalic(false);
    linkFont.setUnderline(true);
    linkFont.setStrikeOut(false);
    setFont(linkFont);
    updateGeometry();
    update();
    return true;
}

QSize CHyperlinkButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + 8, metrics.height() + 4);
}

void CHyperlinkButton::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    painter.setFont(font());
    // The theme's link colour stays readable on its own window colour, light or dark.
    painter.setPen(palette().color(QPalette::Link));
    // Plain text: an "&" is drawn, not taken as a mnemonic.
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
    if (hasFocus())
    {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CHyperlinkButton::OpenLink()
{
    if (!m_url.isEmpty() && m_open && !m_open(m_url))
        QMessageBox::warning(window(), QString::fromUtf8(kAppName),
                             QString::fromStdString(OpenFailedMessage(m_url.toStdString())));
}
