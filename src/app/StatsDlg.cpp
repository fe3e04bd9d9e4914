#include "app/StatsDlg.h"

#include "app/ScreenPlacement.h"
#include "app/UserSettings.h"
#include "session/Engine.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QLineEdit>
#include <QLocale>
#include <QTimer>
#include <iterator>

namespace
{

constexpr const char* kLabels[CStatsDlg::kFieldCount] = {
    "Sites found:", "Pages read:",        "Crawls running:",
    "Files found:", "Files to download:", "Files downloaded:",
    "Downloaded:",  "Addresses kept:",    "Held back by robots.txt:",
    "Tried again:", "Waits for a site:",
};

// The field of the bytes received: a size people read, the exact count as its tooltip.
constexpr int kBytesField = 6;

QString ReadableBytes(qulonglong bytes)
{
    constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB"};
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    double value = static_cast<double>(bytes) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit + 1 < static_cast<int>(std::size(kUnits)))
    {
        value /= 1024.0;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(kUnits[unit]));
}

const QString kLeftKey = QStringLiteral("Stats/LeftPos");
const QString kTopKey = QStringLiteral("Stats/TopPos");
// Between the main window's edge and the window opened beside it.
constexpr int kBesideGap = 8;

} // namespace

CStatsDlg::CStatsDlg(std::function<CEngineStats()> statistics, QWidget* parent)
    : QDialog(parent, Qt::Tool), m_statistics(std::move(statistics))
{
    setWindowTitle(QStringLiteral("Statistics"));
    setModal(false);
    auto* form = new QFormLayout(this);
    for (int field = 0; field < kFieldCount; ++field)
    {
        m_fields[field] = new QLineEdit(this);
        m_fields[field]->setReadOnly(true);
        m_fields[field]->setAlignment(Qt::AlignRight);
        form->addRow(QString::fromLatin1(kLabels[field]), m_fields[field]);
    }
    Refresh();

    m_timer = new QTimer(this);
    m_timer->setInterval(kRefreshMs);
    connect(m_timer, &QTimer::timeout, this, &CStatsDlg::Refresh);
    m_timer->start();

    // The stored point is the window's inside corner, which needs no frame to be known: the
    // frame is not there yet before the window is first shown. Never placed yet, it opens beside
    // the main window rather than in a corner of the screen.
    QSettings settings = UserSettings();
    adjustSize();
    QPoint corner;
    if (settings.contains(kLeftKey) && settings.contains(kTopKey))
        corner = QPoint(settings.value(kLeftKey).toInt(), settings.value(kTopKey).toInt());
    else if (parent != nullptr)
        corner = parent->window()->frameGeometry().topRight() + QPoint(kBesideGap, kBesideGap);
    setGeometry(PlaceOnScreens(QRect(corner, size())));
}

CStatsDlg::~CStatsDlg()
{
    // Also when the main window goes first: the next window opens here.
    if (!m_destroyed)
        StorePosition();
}

void CStatsDlg::Refresh()
{
    const CEngineStats stats = m_statistics();
    const qlonglong values[kFieldCount] = {
        stats.foundSites,
        stats.browsedSites,
        stats.runningBrowses,
        stats.foundFiles,
        stats.queuedFiles,
        stats.receivedFiles,
        static_cast<qlonglong>(stats.receivedBytes),
        static_cast<qlonglong>(stats.allocatedUrls),
        stats.robotsDisallowed,
        stats.retries,
        stats.siteWaits,
    };
    for (int field = 0; field < kFieldCount; ++field)
    {
        const QString text = field == kBytesField ? ReadableBytes(stats.receivedBytes)
                                                  : QLocale().toString(values[field]);
        if (m_fields[field]->text() != text)
        {
            m_fields[field]->setText(text);
            if (field == kBytesField)
                m_fields[field]->setToolTip(
                    QStringLiteral("%1 bytes").arg(QLocale().toString(values[field])));
        }
    }
}

QString CStatsDlg::FieldText(int field) const
{
    return field >= 0 && field < kFieldCount ? m_fields[field]->text() : QString();
}

bool CStatsDlg::IsTimerRunning() const
{
    return m_timer->isActive();
}

void CStatsDlg::StorePosition() const
{
    QSettings settings = UserSettings();
    settings.setValue(kLeftKey, geometry().x());
    settings.setValue(kTopKey, geometry().y());
}

void CStatsDlg::Destroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    m_timer->stop();
    emit closed();
    StorePosition();
    hide();
}

void CStatsDlg::reject()
{
    Destroy();
}

void CStatsDlg::closeEvent(QCloseEvent* event)
{
    event->accept();
    Destroy();
}
