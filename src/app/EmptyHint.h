#pragma once

#include <QLabel>

class QAbstractItemView;

// The hint an empty list or tree shows in its middle: what will appear there and how to start.
// It hides itself as soon as the view's model has a row and comes back when the last one goes.
class CEmptyHint : public QLabel
{
    Q_OBJECT

public:
    CEmptyHint(QAbstractItemView* view, const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Update();

    QAbstractItemView* m_view;
};
