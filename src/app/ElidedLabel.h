#pragma once

#include <QLabel>

// A one-line label that never widens its window: text that does not fit is drawn cut with an
// ellipsis in the middle, where a long address keeps its start and its end. The whole text is
// its tooltip, and text() keeps it.
class CElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit CElidedLabel(const QString& text, QWidget* parent = nullptr);

    void SetFullText(const QString& text);
    // The text as drawn at the label's width now.
    QString ShownText() const;

    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
