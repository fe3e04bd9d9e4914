#include "app/FileSizePage.h"

#include "app/ExchangeFields.h"
#include "session/Engine.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace
{

constexpr CFieldRange kMinSizeRange = {"&Min Size (K):", kSizeLimitKRange.minimum,
                                       kSizeLimitKRange.maximum};
constexpr CFieldRange kMaxSizeRange = {"M&ax Size (K):", kSizeLimitKRange.minimum,
                                       kSizeLimitKRange.maximum};

} // namespace

CFileSizePage::CFileSizePage(CEngine& engine, QWidget* parent)
    : COptionPage(engine, QStringLiteral("File Size"), parent)
{
}

void CFileSizePage::Create()
{
    const COptions& options = Options();

    auto* group = new QGroupBox(QStringLiteral("Check Length:"), this);
    auto* groupLayout = new QVBoxLayout(group);
    m_checkLength = new QButtonGroup(this);
    const char* const labels[] = {"&Never", "When file is &found", "When file is &downloaded"};
    for (int value = kCheckLengthNever; value <= kCheckLengthWhenDownloaded; ++value)
    {
        auto* radio = new QRadioButton(QString::fromLatin1(labels[value]), group);
        radio->setObjectName(QStringLiteral("checkLength%1").arg(value));
        m_checkLength->addButton(radio, value);
        groupLayout->addWidget(radio);
    }

    m_minSize = new QLineEdit(this);
    m_maxSize = new QLineEdit(this);
    m_minSize->setObjectName(QStringLiteral("minSize"));
    m_maxSize->setObjectName(QStringLiteral("maxSize"));
    for (QLineEdit* edit : {m_minSize, m_maxSize})
    {
        AcceptNumbersOnly(edit);
        edit->setMaximumWidth(
            edit->fontMetrics().horizontalAdvance(QStringLiteral("-00000000000")));
    }
    auto* sizes = new QFormLayout;
    sizes->addRow(QString::fromLatin1(kMinSizeRange.name), m_minSize);
    sizes->addRow(QString::fromLatin1(kMaxSizeRange.name), m_maxSize);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(sizes);
    layout->addStretch();

    // A value outside the group leaves every button unchecked, as stored.
    if (QAbstractButton* button = m_checkLength->button(options.m_checkLength))
        button->setChecked(true);
    m_minSize->setText(QString::number(options.m_minSizeK));
    m_maxSize->setText(QString::number(options.m_maxSizeK));
}

bool CFileSizePage::OnKillActive()
{
    std::int32_t minSize = 0;
    std::int32_t maxSize = 0;
    if (!ExchangeSigned(m_engine.Prompts(), m_minSize, minSize, &kMinSizeRange) ||
        !ExchangeSigned(m_engine.Prompts(), m_maxSize, maxSize, &kMaxSizeRange))
        return false;
    COptions& options = Options();
    if (m_checkLength->checkedId() >= 0)
        options.m_checkLength = m_checkLength->checkedId();
    options.m_minSizeK = minSize;
    options.m_maxSizeK = maxSize;
    return true;
}
