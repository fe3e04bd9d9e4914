#include "app/ConnectionPage.h"

#include "session/Engine.h"
#include "settings/Options.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

namespace
{

struct CSliderRange
{
    const char* label;
    const char* name;
    int minimum;
    int maximum;
    int tickInterval;
};

constexpr CSliderRange kSliders[3] = {
    {"Connection Retries:", "retries", kConnectRetriesRange.minimum, kConnectRetriesRange.maximum,
     1},
    {"Connection Timeout:", "timeout", kConnectTimeoutRange.minimum, kConnectTimeoutRange.maximum,
     5},
    {"&Downloads at once:", "threads", kDownloadThreadsRange.minimum, kDownloadThreadsRange.maximum,
     1},
};

struct CLimitField
{
    const char* label;
    const char* name;
    const char* unit;
    COptionRange range;
    std::int32_t COptions::*field;
};

// The per-site limits and the bandwidth cap; 0 is no limit.
const CLimitField kLimits[3] = {
    {"At most N requests a second to one site", "rate", " requests/s", kSiteRequestRateRange,
     &COptions::m_siteRequestRate},
    {"At most N connections to one site", "connections", " connections", kSiteConnectionsRange,
     &COptions::m_siteConnections},
    {"Limit downloads to N KB/s in total", "bandwidth", " KB/s", kBandwidthLimitKRange,
     &COptions::m_bandwidthLimitK},
};

} // namespace

CConnectionPage::CConnectionPage(CEngine& engine, QWidget* parent)
    : COptionPage(engine, QStringLiteral("Connection"), parent)
{
    // The sheet may open on this page, which then shows before anything else is copied in.
    const std::shared_ptr<const COptions> published = engine.Options();
    const COptions& options = *published;
    m_retries = static_cast<std::uint32_t>(options.m_connectRetries);
    m_timeout = static_cast<std::uint32_t>(options.m_connectTimeout);
    m_threads = static_cast<std::uint32_t>(options.m_downloadThreads);
}

void CConnectionPage::Create()
{
    std::uint32_t* const values[3] = {&m_retries, &m_timeout, &m_threads};
    auto* grid = new QGridLayout;
    for (int row = 0; row < 3; ++row)
    {
        const CSliderRange& range = kSliders[row];
        auto* slider = new QSlider(Qt::Horizontal, this);
        slider->setObjectName(QStringLiteral("%1Slider").arg(QLatin1String(range.name)));
        slider->setRange(range.minimum, range.maximum);
        slider->setTickInterval(range.tickInterval);
        slider->setTickPosition(QSlider::TicksBelow);
        slider->setPageStep(range.tickInterval);
        {
            // Setting the position is not a move: the value stays as copied in.
            const QSignalBlocker blocker(slider);
            slider->setValue(static_cast<int>(*values[row]));
        }
        // The slider sets the value; the box only shows it, with its unit, and does not look
        // like a field that takes typing.
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QStringLiteral("%1Value").arg(QLatin1String(range.name)));
        edit->setReadOnly(true);
        edit->setFrame(false);
        edit->setFocusPolicy(Qt::NoFocus);
        edit->setBackgroundRole(QPalette::Window);
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000 seconds")));
        auto* label = new QLabel(QString::fromLatin1(range.label), this);
        label->setBuddy(slider);
        grid->addWidget(label, row, 0);
        grid->addWidget(slider, row, 1);
        grid->addWidget(edit, row, 2);
        m_sliders[row] = slider;
        m_edits[row] = edit;
        connect(slider, &QSlider::valueChanged, this, &CConnectionPage::ReadSliders);
    }
    auto* limits = new QGridLayout;
    for (int row = 0; row < 3; ++row)
    {
        const CLimitField& limit = kLimits[row];
        auto* spin = new QSpinBox(this);
        spin->setObjectName(QStringLiteral("%1Value").arg(QLatin1String(limit.name)));
        spin->setRange(limit.range.minimum, limit.range.maximum);
        spin->setSuffix(QString::fromLatin1(limit.unit));
        spin->setSpecialValueText(QStringLiteral("No limit"));
        spin->setValue(Options().*limit.field);
        auto* label = new QLabel(QString::fromLatin1(limit.label), this);
        label->setBuddy(spin);
        limits->addWidget(label, row, 0);
        limits->addWidget(spin, row, 1);
        m_limits[row] = spin;
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(limits);
    layout->addStretch();
    ShowValues();
}

void CConnectionPage::OnApply()
{
    for (int row = 0; row < 3; ++row)
        Options().*kLimits[row].field = m_limits[row]->value();
}

void CConnectionPage::ReadSliders()
{
    m_retries = static_cast<std::uint32_t>(m_sliders[0]->value());
    m_timeout = static_cast<std::uint32_t>(m_sliders[1]->value());
    m_threads = static_cast<std::uint32_t>(m_sliders[2]->value());
    ShowValues();
}

void CConnectionPage::ShowValues()
{
    m_edits[0]->setText(m_retries == 1 ? QStringLiteral("1 retry")
                                       : QStringLiteral("%1 retries").arg(m_retries));
    m_edits[1]->setText(m_timeout == 1 ? QStringLiteral("1 second")
                                       : QStringLiteral("%1 seconds").arg(m_timeout));
    m_edits[2]->setText(m_threads == 1 ? QStringLiteral("1 download")
                                       : QStringLiteral("%1 downloads").arg(m_threads));
}
