#pragma once

#include <QWidget>

// The view class that the document template names. The main window builds its own panes, so
// none is ever created; it draws nothing.
class CTrawlerView : public QWidget
{
    Q_OBJECT

public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* /*event*/) override {}
};
