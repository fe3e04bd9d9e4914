#pragma once

#include <QWidget>

// The status bar's activity pane: a progress bar in the desktop's style that fills by the
// progress steps that workers post and starts again from empty each time it passes 100 percent.
class CActivityBar : public QWidget
{
    Q_OBJECT

public:
    explicit CActivityBar(QWidget* parent = nullptr);

    // A step in percent; -1 clears the bar.
    void Step(int percent);
    void Clear() { Step(-1); }

    // The filled percentage now.
    int Accumulator() const { return m_accumulator; }
    // The rectangle the bar is drawn in: the pane shrunk by 2 pixels on every side.
    QRect BarRect() const;
    // Width of the filled part for the current accumulator, never outside the bar.
    int FilledWidth() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_accumulator = 0;
};
