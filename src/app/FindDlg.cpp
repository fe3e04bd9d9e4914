#include "app/FindDlg.h"

#include "app/AppMessages.h"
#include "app/HistoryCombo.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

CFindDlg::CFindDlg(bool singleOnly, const std::string& historyFile, CEngine& engine,
                   QWidget* parent)
    : QDialog(parent), m_findAll(!singleOnly)
{
    setWindowTitle(QStringLiteral("Find"));
    auto* layout = new QVBoxLayout(this);
    auto* findRow = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Find:"), this);
    m_search = new CHistoryCombo(historyFile, engine.Options()->m_workDir, this,
                                 engine.Options()->m_entryHistoryDepth);
    label->setBuddy(m_search);
    findRow->addWidget(label);
    findRow->addWidget(m_search, 1);
    layout->addLayout(findRow);

    auto* choiceRow = new QHBoxLayout;
    m_findOne = new QRadioButton(QStringLiteral("Find &One"), this);
    m_findAllButton = new QRadioButton(QStringLiteral("Find &All"), this);
    choiceRow->addWidget(m_findOne);
    choiceRow->addWidget(m_findAllButton);
    choiceRow->addStretch(1);
    layout->addLayout(choiceRow);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    if (singleOnly)
    {
        m_findOne->setEnabled(false);
        m_findAllButton->setEnabled(false);
    }
    else
    {
        (m_findAll ? m_findAllButton : m_findOne)->setChecked(true);
    }
    connect(m_findAllButton, &QRadioButton::toggled, this,
            [this](bool checked) { m_findAll = checked; });

    m_search->Load();
    if (!m_search->LoadError().empty())
        engine.Prompts().ShowMessageAs(CUserPrompts::EKind::Warning, kAppName,
                                       m_search->LoadError());
    m_search->setFocus();
}

CFindDlg::~CFindDlg()
{
    // The edit field's text becomes the newest entry, whichever way the dialog closed.
    m_search->Save();
}

void CFindDlg::accept()
{
    m_searchText = m_search->Text();
    QDialog::accept();
}
