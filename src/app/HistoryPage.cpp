#include "app/HistoryPage.h"

#include "session/Engine.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CHistoryPage::CHistoryPage(CEngine& engine, QWidget* parent)
    : COptionPage(engine, QStringLiteral("History"), parent)
{
}

void CHistoryPage::Create()
{
    auto* explanation = new QLabel(
        QStringLiteral("These options let Harvestor remember the web pages it has visited and "
                       "the files it has downloaded. Press \"Clear\" to clear the appropriate "
                       "history; a history is cleared at once, and Cancel does not bring it "
                       "back."),
        this);
    explanation->setWordWrap(true);

    m_rememberPages = new QCheckBox(QStringLiteral("Remember Web Page History"), this);
    m_rememberDownloads = new QCheckBox(QStringLiteral("Remember Download History"), this);
    m_rememberPages->setObjectName(QStringLiteral("rememberPages"));
    m_rememberDownloads->setObjectName(QStringLiteral("rememberDownloads"));
    auto* clearPages = new QPushButton(QStringLiteral("Clear"), this);
    auto* clearDownloads = new QPushButton(QStringLiteral("Clear"), this);
    clearPages->setObjectName(QStringLiteral("clearPages"));
    clearDownloads->setObjectName(QStringLiteral("clearDownloads"));
    for (QPushButton* button : {clearPages, clearDownloads})
        button->setAutoDefault(false);
    // The lists empty at once; their files change at the next shut-down.
    connect(clearPages, &QPushButton::clicked, this, [this] { m_engine.ClearPageHistory(); });
    connect(clearDownloads, &QPushButton::clicked, this, [this] { m_engine.ClearFileHistory(); });

    auto* grid = new QGridLayout;
    grid->addWidget(m_rememberPages, 0, 0);
    grid->addWidget(clearPages, 0, 1);
    grid->addWidget(m_rememberDownloads, 1, 0);
    grid->addWidget(clearDownloads, 1, 1);
    grid->setColumnStretch(2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(grid);
    layout->addStretch();

    m_rememberPages->setChecked(Options().m_rememberPages);
    m_rememberDownloads->setChecked(Options().m_rememberDownloads);
}

bool CHistoryPage::OnKillActive()
{
    Options().m_rememberPages = m_rememberPages->isChecked();
    Options().m_rememberDownloads = m_rememberDownloads->isChecked();
    return true;
}
