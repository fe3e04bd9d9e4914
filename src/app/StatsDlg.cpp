#include "app/StatsDlg.h"

#include "app/ScreenPlacement.h"
#include "app/UserSettings.h"
#include "session/Engine.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QLineEdit>
#include <QTimer>

namespace
{

constexpr const char* kLabels[CStatsDlg::kFieldCount] = {
    "Found Sites:",    "Browsed Sites:",  "Browse Threads:",
    "Found Files:",    "Queued Files:",   "Received Files:",
    "Received Bytes:", "Allocated Urls:", "Disallowed by robots.txt:",
};

const QString kLeftKey = QStringLiteral("Stats/LeftPos");
const QString kTopKey = QStringLiteral("Stats/TopPos");

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
    // frame is not there yet before the window is first shown.
    QSettings settings = UserSettings();
    adjustSize();
    setGeometry(PlaceOnScreens(QRect(
        QPoint(settings.value(kLeftKey, 0).toInt(), settings.value(kTopKey, 0).toInt()), size())));
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
    };
    for (int field = 0; field < kFieldCount; ++field)
    {
        const QString text = QString::number(values[field]);
        if (m_fields[field]->text() != text)
            m_fields[field]->setText(text);
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
