#include "app/ActivityBar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <algorithm>

CActivityBar::CActivityBar(QWidget* parent) : QWidget(parent) {}

void CActivityBar::Step(int percent)
{
    if (percent == -1)
    {
        m_accumulator = 0;
    }
    else
    {
        m_accumulator += percent;
        if (m_accumulator > 100)
            m_accumulator -= 100;
    }
    update();
}

QRect CActivityBar::BarRect() const
{
    return rect().adjusted(2, 2, -2, -2);
}

int CActivityBar::FilledWidth() const
{
    const int width = BarRect().width();
    const auto filled = static_cast<int>(m_accumulator * 0.01 * width);
    // A step larger than 100 leaves more than a full bar; never draw beyond the pane.
    return std::clamp(filled, 0, std::max(width, 0));
}

QSize CActivityBar::sizeHint() const
{
    return QSize(fontMetrics().horizontalAdvance(QStringLiteral("99999999")),
                 fontMetrics().height());
}

void CActivityBar::paintEvent(QPaintEvent* /*event*/)
{
    // Drawn as the desktop style draws a progress bar: a groove, and the filled part in the
    // highlight colour.
    QPainter painter(this);
    QStyleOptionProgressBar bar;
    bar.initFrom(this);
    bar.rect = BarRect();
    bar.minimum = 0;
    bar.maximum = std::max(BarRect().width(), 1);
    bar.progress = FilledWidth();
    bar.textVisible = false;
    bar.state |= QStyle::State_Horizontal;
    style()->drawControl(QStyle::CE_ProgressBar, &bar, &painter, this);
}
