#include "app/DuplicatesPage.h"

#include "session/Engine.h"

#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

CDuplicatesPage::CDuplicatesPage(CEngine& engine, QWidget* parent)
    : COptionPage(engine, QStringLiteral("Duplicates"), parent)
{
}

void CDuplicatesPage::Create()
{
    auto* explanation = new QLabel(QStringLiteral("Determines what Harvestor does when a file it's "
                                                  "downloading already exists on your disk."),
                                   this);
    explanation->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);

    // In the order of the policy numbers.
    const char* const labels[] = {"&Skip download", "&Rename to unique name",
                                  "&Overwrite existing file", "S&kip if file size is the same"};
    m_action = new QButtonGroup(this);
    for (int value = kDuplicateSkip; value <= kDuplicateSkipSameSize; ++value)
    {
        auto* radio = new QRadioButton(QString::fromLatin1(labels[value]), this);
        radio->setObjectName(QStringLiteral("duplicate%1").arg(value));
        m_action->addButton(radio, value);
        layout->addWidget(radio);
    }
    layout->addStretch();

    if (QAbstractButton* button = m_action->button(Options().m_duplicateAction))
        button->setChecked(true);
}

bool CDuplicatesPage::OnKillActive()
{
    if (m_action->checkedId() >= 0)
        Options().m_duplicateAction = m_action->checkedId();
    return true;
}
