#include "app/ModePage.h"

#include "app/AppMessages.h"
#include "app/ModeDlg.h"
#include "platform/FileError.h"
#include "session/Engine.h"
#include "settings/DataPaths.h"
#include "settings/ModeData.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace
{

QString ToText(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

CModePage::CModePage(CEngine& engine, QWidget* parent)
    : COptionPage(engine, QStringLiteral("Modes"), parent)
{
}

CModePage::~CModePage() = default;

void CModePage::Create()
{
    auto* explanation = new QLabel(
        QStringLiteral("Modes define exactly how Harvestor behaves when searching websites."),
        this);
    explanation->setWordWrap(true);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("modes"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* edit = new QPushButton(QStringLiteral("&Edit..."), this);
    auto* makeDefault = new QPushButton(QStringLiteral("&Set As Default"), this);
    edit->setObjectName(QStringLiteral("edit"));
    makeDefault->setObjectName(QStringLiteral("setDefault"));
    for (QPushButton* button : {edit, makeDefault})
        button->setAutoDefault(false);
    connect(edit, &QPushButton::clicked, this, &CModePage::EditSelected);
    connect(makeDefault, &QPushButton::clicked, this, &CModePage::SetSelectedAsDefault);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(edit);
    buttons->addWidget(makeDefault);
    buttons->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(m_list, 1);
    body->addLayout(buttons);
    // Unlike the other pages, these buttons write their files at once.
    auto* immediate = new QLabel(QStringLiteral("Edit and Set As Default are saved at once; "
                                                "Cancel does not undo them."),
                                 this);
    immediate->setObjectName(QStringLiteral("savedAtOnce"));
    immediate->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addLayout(body, 1);
    layout->addWidget(immediate);

    for (int number = 0; number < kModeCount; ++number)
    {
        std::unique_ptr<CModeData> mode;
        try
        {
            mode = GetMode(number, *m_engine.Options());
        }
        catch (const CFileError& error)
        {
            // The built-in file could not be written: show the built-in mode all the same, so
            // that "&Edit..." can still try to write it.
            m_engine.ReportFileError(error);
            mode = std::make_unique<CModeData>();
            try
            {
                MakeBuiltInMode(*mode, number, m_engine.Options()->m_workDir);
            }
            catch (const CFileError&)
            {
            }
            mode->m_path = JoinDataPath(m_engine.Options()->m_workDir, ModeFileName(number));
        }
        m_list->addItem(ToText(mode->m_name));
        m_modes.push_back(std::move(mode));
    }
    MarkDefault();
}

bool CModePage::IsListed(int index) const
{
    return index >= 0 && index < m_list->count();
}

void CModePage::MarkDefault()
{
    const int index = m_engine.Options()->m_defaultMode;
    if (!IsListed(index))
        return;
    QListWidgetItem* item = m_list->item(index);
    item->setText(ToText(MarkDefaultModeName(item->text().toStdString())));
}

void CModePage::UnmarkDefault()
{
    const int index = m_engine.Options()->m_defaultMode;
    if (!IsListed(index))
        return;
    m_list->item(index)->setText(ToText(m_modes[static_cast<std::size_t>(index)]->m_name));
}

void CModePage::EditSelected()
{
    const int index = m_list->currentRow();
    if (!IsListed(index) || !m_list->item(index)->isSelected())
        return;
    CModeData& mode = *m_modes[static_cast<std::size_t>(index)];
    CModeDlg dialog(m_engine.Prompts(), mode, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_list->item(index)->setText(ToText(mode.m_name));
    if (index == m_engine.Options()->m_defaultMode)
        MarkDefault();
    try
    {
        mode.Save();
    }
    catch (const CFileError& error)
    {
        m_engine.ReportFileError(error);
    }
}

void CModePage::SetSelectedAsDefault()
{
    const int index = m_list->currentRow();
    if (!IsListed(index) || !m_list->item(index)->isSelected())
        return;
    UnmarkDefault();
    COptions options = *m_engine.Options();
    options.m_defaultMode = index;
    m_engine.SetOptions(options);
    // The sheet's working copy too, so that OK keeps the new default.
    Options().m_defaultMode = index;
    // A failure is reported: the new default holds in memory and reaches the file with the
    // next save.
    m_engine.SaveOptions(true);
    MarkDefault();
}
