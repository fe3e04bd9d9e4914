#include "app/AddSiteDlg.h"

#include "app/AppMessages.h"
#include "app/HistoryCombo.h"
#include "platform/FileError.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"
#include "settings/ModeData.h"
#include "url/Url.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

namespace
{

constexpr const char* kHistoryFile = "url.dat";
constexpr const char* kExampleSite = "https://www.example.com/downloads/";
// The window's own settings store keeps the mode chosen last.
constexpr const char* kLastModeKey = "AddSite/mode";

} // namespace

CAddSiteDlg::CAddSiteDlg(CEngine& engine, QWidget* parent) : QDialog(parent), m_engine(engine)
{
    setWindowTitle(QStringLiteral("Add Site to Search"));
    const std::shared_ptr<const COptions> published = m_engine.Options();
    const COptions& options = *published;

    auto* layout = new QVBoxLayout(this);
    auto* siteRow = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Site:"), this);
    m_site = new CHistoryCombo(kHistoryFile, options.m_workDir, this, options.m_entryHistoryDepth);
    label->setBuddy(m_site);
    siteRow->addWidget(label);
    siteRow->addWidget(m_site, 1);
    layout->addLayout(siteRow);
    // What an address looks like, for a first-time user facing an empty box.
    m_site->lineEdit()->setPlaceholderText(QString::fromLatin1(kExampleSite));
    auto* example =
        new QLabel(QStringLiteral("For example %1 (\"http://\" is added when no scheme is given)")
                       .arg(QString::fromLatin1(kExampleSite)),
                   this);
    example->setObjectName(QStringLiteral("example"));
    example->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(example);

    auto* group = new QButtonGroup(this);
    auto* modeRow = new QHBoxLayout;
    for (int mode = 0; mode < kModeCount; ++mode)
    {
        QString caption = QStringLiteral("Mode %1").arg(mode + 1);
        try
        {
            caption = QString::fromStdString(GetModeName(mode, options));
        }
        catch (const CFileError&)
        {
            // The built-in mode could not be written: the button keeps its plain caption.
        }
        m_modes[mode] = new QRadioButton(caption, this);
        group->addButton(m_modes[mode], mode);
        modeRow->addWidget(m_modes[mode]);
    }
    layout->addLayout(modeRow);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    // The edit field shows the last site entered.
    m_site->Load();
    if (!m_site->LoadError().empty())
        m_engine.Prompts().ShowMessageAs(CUserPrompts::EKind::Warning, kAppName,
                                         m_site->LoadError());

    // The mode used last, else the default mode.
    const std::int32_t initial =
        QSettings().value(QLatin1String(kLastModeKey), options.m_defaultMode).toInt();
    m_modeIndex = initial >= 0 && initial < kModeCount ? initial : 0;
    m_modes[m_modeIndex]->setChecked(true);
    m_site->setFocus();
}

void CAddSiteDlg::accept()
{
    std::string text = m_site->Text();
    for (int mode = 0; mode < kModeCount; ++mode)
        if (m_modes[mode]->isChecked())
            m_modeIndex = mode;

    if (std::string completed = WithDefaultScheme(text); completed != text)
    {
        text = std::move(completed);
        m_site->SetText(text);
    }
    const std::size_t fragment = text.find('#');
    if (fragment != std::string::npos)
        text.erase(fragment);
    if (text.empty())
        return;

    m_siteText = text;
    m_site->Save();
    QSettings().setValue(QLatin1String(kLastModeKey), m_modeIndex);
    QDialog::accept();
}
