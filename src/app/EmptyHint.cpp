#include "app/EmptyHint.h"

#include <QAbstractItemView>
#include <QEvent>

CEmptyHint::CEmptyHint(QAbstractItemView* view, const QString& text)
    : QLabel(text, view->viewport()), m_view(view)
{
    setObjectName(QStringLiteral("emptyHint"));
    setAlignment(Qt::AlignCenter);
    setWordWrap(true);
    setForegroundRole(QPalette::PlaceholderText);
    // Clicks go to the view, as if the hint were not there.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    view->viewport()->installEventFilter(this);
    QAbstractItemModel* model = view->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &CEmptyHint::Update);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &CEmptyHint::Update);
    connect(model, &QAbstractItemModel::modelReset, this, &CEmptyHint::Update);
    setGeometry(view->viewport()->rect());
    Update();
}

bool CEmptyHint::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::Resize)
        setGeometry(m_view->viewport()->rect());
    return QLabel::eventFilter(watched, event);
}

void CEmptyHint::Update()
{
    setVisible(m_view->model()->rowCount() == 0);
}
