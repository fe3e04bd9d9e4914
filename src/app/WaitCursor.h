#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>

// The busy cursor for one scope: over the whole application, or over one window only, so that
// the dialogs it opens meanwhile keep their own cursor.
class CWaitCursor
{
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    // Over owner's window only; nothing without an owner.
    explicit CWaitCursor(QWidget* owner)
        : m_global(false), m_owner(owner != nullptr ? owner->window() : nullptr)
    {
        if (m_owner != nullptr)
            m_owner->setCursor(Qt::BusyCursor);
    }
    ~CWaitCursor()
    {
        if (m_global)
            QApplication::restoreOverrideCursor();
        else if (m_owner != nullptr)
            m_owner->unsetCursor();
    }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    bool m_global = true;
    QPointer<QWidget> m_owner;
};
