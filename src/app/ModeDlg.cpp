#include "app/ModeDlg.h"

#include "app/ExchangeFields.h"
#include "settings/ModeData.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cstdint>

namespace
{

// A negative maximum would read like "no limit" but follows nothing.
constexpr CFieldRange kLocalFollowMaxRange = {"Follow &Max:", 0, INT32_MAX};
constexpr CFieldRange kMaxDepthRange = {"Max &Depth:", 0, INT32_MAX};
constexpr CFieldRange kPagesAtOnceRange = {"&Pages read at once:", 0, kMaxPagesAtOnce};

QLineEdit* NumberEdit(QWidget* parent, const char* name, const QString& text)
{
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    AcceptNumbersOnly(edit);
    return edit;
}

} // namespace

CModeDlg::CModeDlg(CUserPrompts& prompts, CModeData& mode, QWidget* parent)
    : QDialog(parent), m_prompts(prompts), m_mode(mode)
{
    setWindowTitle(QStringLiteral("Mode Definition"));

    m_name = new QLineEdit(QString::fromStdString(mode.m_name), this);
    m_name->setObjectName(QStringLiteral("name"));
    auto* nameForm = new QFormLayout;
    nameForm->addRow(QStringLiteral("Mode &Name:"), m_name);

    auto* local = new QGroupBox(QStringLiteral("Local Sites"), this);
    m_localFollowMax = NumberEdit(local, "localFollowMax", QString::number(mode.m_localFollowMax));
    m_followParentSites = new QCheckBox(QStringLiteral("&Follow Parent Sites"), local);
    m_followParentSites->setObjectName(QStringLiteral("followParentSites"));
    m_followParentSites->setChecked(mode.m_followParentSites);
    auto* localForm = new QFormLayout(local);
    localForm->addRow(QString::fromLatin1(kLocalFollowMaxRange.name), m_localFollowMax);
    localForm->addRow(m_followParentSites);

    auto* external = new QGroupBox(QStringLiteral("External Sites"), this);
    m_autoFollowExternal = new QCheckBox(QStringLiteral("&Automatically Follow"), external);
    m_autoFollowExternal->setObjectName(QStringLiteral("autoFollowExternal"));
    m_autoFollowExternal->setChecked(mode.m_autoFollowExternal);
    m_externalFollowMax =
        NumberEdit(external, "externalFollowMax", QString::number(mode.m_externalFollowMax));
    m_maxDepth = NumberEdit(external, "maxDepth", QString::number(mode.m_maxDepth));
    auto* externalForm = new QFormLayout(external);
    externalForm->addRow(m_autoFollowExternal);
    externalForm->addRow(QStringLiteral("F&ollow Max:"), m_externalFollowMax);
    externalForm->addRow(QString::fromLatin1(kMaxDepthRange.name), m_maxDepth);

    m_onlyIfModified =
        new QCheckBox(QStringLiteral("Only process pages if modified since last visit."), this);
    m_onlyIfModified->setObjectName(QStringLiteral("onlyIfModified"));
    m_onlyIfModified->setChecked(mode.m_onlyIfModified);

    // 0 is shown as a blank field: the default.
    m_pagesAtOnce = NumberEdit(this, "pagesAtOnce",
                               mode.m_reserved != 0 ? QString::number(mode.m_reserved) : QString());
    m_pagesAtOnce->setPlaceholderText(QString::number(kDefaultPagesAtOnce));
    auto* readForm = new QFormLayout;
    readForm->addRow(QString::fromLatin1(kPagesAtOnceRange.name), m_pagesAtOnce);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CModeDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CModeDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(nameForm);
    layout->addWidget(local);
    layout->addWidget(external);
    layout->addWidget(m_onlyIfModified);
    layout->addLayout(readForm);
    layout->addWidget(buttons);
}

void CModeDlg::accept()
{
    std::int32_t localFollowMax = 0;
    std::uint32_t externalFollowMax = 0;
    std::int32_t maxDepth = 0;
    std::uint32_t pagesAtOnce = 0;
    if (!ExchangeSigned(m_prompts, m_localFollowMax, localFollowMax, &kLocalFollowMaxRange) ||
        !ExchangeUnsigned(m_prompts, m_externalFollowMax, externalFollowMax) ||
        !ExchangeSigned(m_prompts, m_maxDepth, maxDepth, &kMaxDepthRange) ||
        !ExchangeCountUpTo(m_prompts, m_pagesAtOnce, kPagesAtOnceRange, pagesAtOnce))
        return;
    m_mode.m_name = m_name->text().toStdString();
    m_mode.m_localFollowMax = localFollowMax;
    m_mode.m_followParentSites = m_followParentSites->isChecked();
    m_mode.m_autoFollowExternal = m_autoFollowExternal->isChecked();
    m_mode.m_externalFollowMax = externalFollowMax;
    m_mode.m_maxDepth = maxDepth;
    m_mode.m_onlyIfModified = m_onlyIfModified->isChecked();
    m_mode.m_reserved = static_cast<std::int32_t>(pagesAtOnce);
    QDialog::accept();
}
