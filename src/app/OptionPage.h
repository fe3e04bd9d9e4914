#pragma once

#include <QString>
#include <QWidget>

class COptions;
class CEngine;

// One page of the options sheet. A page builds its controls and fills them the first time its
// tab is shown; a page never shown fills, exchanges and stores nothing.
class COptionPage : public QWidget
{
    Q_OBJECT

public:
    COptionPage(CEngine& engine, QString caption, QWidget* parent = nullptr);

    const QString& Caption() const { return m_caption; }
    bool IsCreated() const { return m_created; }
    // The page becomes the active tab: the first time, its controls are built and filled.
    void Activate();

    // The page is left (another tab, or OK while it is active). Pages tied to option fields
    // store their controls here; false (after telling the user) keeps the page active.
    virtual bool OnKillActive() { return true; }
    // OK, for every page that was shown: false (after telling the user) keeps the sheet open
    // on this page. Nothing is stored yet.
    virtual bool CanApply() { return true; }
    // OK, for every page that was shown, after every page agreed.
    virtual void OnApply() {}

    // The options the page fills from and stores into: the sheet's working copy, which reaches
    // the engine only with OK. The sheet sets it before any page is shown.
    COptions& Options() const { return *m_options; }
    void SetEditedOptions(COptions* options) { m_options = options; }

protected:
    // Builds the controls and fills them from the options.
    virtual void Create() = 0;

    CEngine& m_engine;

private:
    QString m_caption;
    COptions* m_options = nullptr;
    bool m_created = false;
};
