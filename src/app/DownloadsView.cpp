#include "app/DownloadsView.h"

#include "app/FileList.h"
#include "app/OpenTarget.h"
#include "net/ResumablePart.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"
#include "session/SessionMessages.h"
#include "url/SavedName.h"
#include "url/Url.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QStyleOption>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cmath>
#include <memory>

namespace
{

constexpr int kUrlRole = Qt::UserRole;
constexpr int kStateRole = Qt::UserRole + 1;
constexpr int kPathRole = Qt::UserRole + 2;
constexpr int kPercentRole = Qt::UserRole;
// Speed is a moving average, so one slow report does not make the time left jump.
constexpr double kSpeedWeight = 0.3;

const char* StateText(std::int64_t state)
{
    switch (state)
    {
    case DOWNLOAD_QUEUED:
        return "Queued";
    case DOWNLOAD_RUNNING:
        return "Downloading";
    case DOWNLOAD_DONE:
        return "Done";
    case DOWNLOAD_SKIPPED:
        return "Skipped";
    case DOWNLOAD_FAILED:
        return "Failed";
    case DOWNLOAD_CANCELLED:
        return "Cancelled";
    default:
        return "";
    }
}

bool IsFinished(std::int64_t state)
{
    return state == DOWNLOAD_DONE || state == DOWNLOAD_SKIPPED || state == DOWNLOAD_FAILED ||
           state == DOWNLOAD_CANCELLED;
}

QString Text(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QByteArray Bytes(const std::string& text)
{
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

std::string BytesOf(const QTreeWidgetItem* row, int role)
{
    return row->data(CDownloadsView::kNameColumn, role).toByteArray().toStdString();
}

// The last part of the path (or of the URL while no path is known).
QString ShortName(const std::string& pathOrUrl)
{
    std::string name = pathOrUrl;
    while (!name.empty() && name.back() == '/')
        name.pop_back();
    return Text(name.substr(name.rfind('/') + 1));
}

QString Duration(double seconds)
{
    const auto whole = static_cast<long long>(std::ceil(seconds));
    const long long hours = whole / 3600;
    const QString minutesAndSeconds =
        QStringLiteral("%1:%2")
            .arg(whole / 60 % 60, hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
            .arg(whole % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QStringLiteral("%1:%2").arg(hours).arg(minutesAndSeconds)
                     : minutesAndSeconds;
}

// Draws the progress column as a bar; an unknown length leaves it empty.
class CProgressDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        const int percent = index.data(kPercentRole).toInt();
        if (percent < 0)
            return;
        QStyleOptionProgressBar bar;
        bar.rect = option.rect.adjusted(2, 2, -2, -2);
        bar.minimum = 0;
        bar.maximum = 100;
        bar.progress = percent;
        bar.text = QStringLiteral("%1 %").arg(percent);
        bar.textVisible = true;
        bar.state = option.state | QStyle::State_Horizontal;
        QApplication::style()->drawControl(QStyle::CE_ProgressBar, &bar, painter);
    }
};

} // namespace

CDownloadsView::CDownloadsView(CEngine& engine, QWidget* parent)
    : QTreeWidget(parent), m_engine(engine)
{
    setColumnCount(kColumnCount);
    setHeaderLabels({tr("Name"), tr("State"), tr("Size"), tr("Progress"), tr("Speed"),
                     tr("Time Left"), tr("Reason")});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setItemDelegateForColumn(kProgressColumn, new CProgressDelegate(this));
    header()->setStretchLastSection(true);
    // Room for the reason, the column that needs it most, once the numbers have theirs.
    const std::pair<int, int> widths[] = {{kNameColumn, 180}, {kStateColumn, 90},
                                          {kSizeColumn, 70},  {kProgressColumn, 110},
                                          {kSpeedColumn, 80}, {kTimeLeftColumn, 70}};
    for (const auto& [column, width] : widths)
        setColumnWidth(column, width);
    setAccessibleName(tr("Downloads"));

    AddAction(tr("&Retry"), QKeySequence(Qt::CTRL | Qt::Key_R), &CDownloadsView::RetrySelected);
    AddAction(tr("&Open"), QKeySequence(Qt::Key_Return), &CDownloadsView::OpenSelected);
    AddAction(tr("Open Containing &Folder"), QKeySequence(Qt::CTRL | Qt::Key_Return),
              &CDownloadsView::OpenContainingFolder);
    AddAction(tr("Re&move from View"), QKeySequence(QKeySequence::Delete),
              &CDownloadsView::RemoveSelected);
    AddAction(tr("&Clear Finished"), QKeySequence(Qt::CTRL | Qt::Key_Delete),
              &CDownloadsView::ClearFinished);
    m_tabbed = new QAction(tr("Show in a &Tab"), this);
    m_tabbed->setCheckable(true);
    connect(m_tabbed, &QAction::triggered, this, &CDownloadsView::placementRequested);
}

QAction* CDownloadsView::AddAction(const QString& text, const QKeySequence& key,
                                   void (CDownloadsView::*slot)())
{
    auto* action = new QAction(text, this);
    action->setShortcut(key);
    // The keys work while the view has the focus; the main window's own keys stay as they are.
    action->setShortcutContext(Qt::WidgetShortcut);
    connect(action, &QAction::triggered, this, slot);
    m_actions.push_back(action);
    return action;
}

void CDownloadsView::SetTabbed(bool tabbed)
{
    m_tabbed->setChecked(tabbed);
}

QTreeWidgetItem* CDownloadsView::RowOf(const std::string& url) const
{
    const auto found = m_rows.find(url);
    return found == m_rows.end() ? nullptr : found->second;
}

std::string CDownloadsView::UrlOf(const QTreeWidgetItem* row)
{
    return BytesOf(row, kUrlRole);
}

std::int64_t CDownloadsView::StateOf(const QTreeWidgetItem* row)
{
    return row->data(kNameColumn, kStateRole).toLongLong();
}

int CDownloadsView::PercentOf(const QTreeWidgetItem* row)
{
    return row->data(kProgressColumn, kPercentRole).toInt();
}

QTreeWidgetItem* CDownloadsView::MakeRow(const std::string& url)
{
    auto* row = new QTreeWidgetItem(this);
    row->setData(kNameColumn, kUrlRole, Bytes(url));
    // Until the download has its name, the name its URL gives; the URL itself is the tooltip.
    const std::string urlName = UrlFileName(url);
    row->setText(kNameColumn, urlName.empty() ? ShortName(url) : Text(urlName));
    row->setToolTip(kNameColumn, Text(url));
    for (int column : {kSizeColumn, kSpeedColumn, kTimeLeftColumn})
        row->setTextAlignment(column, Qt::AlignRight | Qt::AlignVCenter);
    m_rows[url] = row;
    return row;
}

void CDownloadsView::Apply(std::int64_t state, const CDownloadReport& report)
{
    QTreeWidgetItem* row = RowOf(report.url);
    if (state == DOWNLOAD_RETURNED)
    {
        // Back in the file list: nothing more to show here.
        if (row != nullptr && StateOf(row) == DOWNLOAD_QUEUED)
            Forget(row);
        return;
    }
    if (row == nullptr)
        row = MakeRow(report.url);
    row->setData(kNameColumn, kStateRole, static_cast<qlonglong>(state));
    row->setText(kStateColumn, tr(StateText(state)));
    if (state == DOWNLOAD_RUNNING && report.retryInSeconds > 0)
        row->setText(
            kStateColumn,
            tr("Waiting to retry (%1 s)").arg(static_cast<qlonglong>(report.retryInSeconds)));
    if (!report.path.empty())
    {
        row->setData(kNameColumn, kPathRole, Bytes(report.path));
        row->setText(kNameColumn, ShortName(report.path));
    }
    row->setText(kReasonColumn, Text(report.reason));
    row->setToolTip(kReasonColumn, Text(report.reason));
    if (state == DOWNLOAD_QUEUED)
    {
        row->setData(kProgressColumn, kPercentRole, -1);
        m_samples.erase(report.url);
    }
    if (state == DOWNLOAD_RUNNING || state == DOWNLOAD_DONE)
        ShowProgress(row, report);
    if (state == DOWNLOAD_DONE)
        row->setData(kProgressColumn, kPercentRole, 100);
    if (state != DOWNLOAD_RUNNING)
    {
        row->setText(kSpeedColumn, {});
        row->setText(kTimeLeftColumn, {});
        m_samples.erase(report.url);
    }
}

void CDownloadsView::ShowProgress(QTreeWidgetItem* row, const CDownloadReport& report)
{
    if (report.total >= 0)
        row->setText(kSizeColumn, CFileList::ReadableSize(report.total));
    else if (report.received > 0)
        row->setText(kSizeColumn, CFileList::ReadableSize(static_cast<qlonglong>(report.received)));
    row->setData(kProgressColumn, kPercentRole,
                 report.total > 0 ? static_cast<int>(report.received * 100 /
                                                     static_cast<std::uint64_t>(report.total))
                                  : -1);

    const auto now = std::chrono::steady_clock::now();
    const auto [sample, first] = m_samples.try_emplace(report.url, CSample{now, report.received});
    CSample& last = sample->second;
    const double seconds = std::chrono::duration<double>(now - last.time).count();
    if (!first && seconds > 0 && report.received >= last.received)
    {
        const double speed = static_cast<double>(report.received - last.received) / seconds;
        last.bytesPerSecond = last.bytesPerSecond > 0
                                  ? kSpeedWeight * speed + (1 - kSpeedWeight) * last.bytesPerSecond
                                  : speed;
        last.time = now;
        last.received = report.received;
    }
    if (last.bytesPerSecond <= 0)
        return;
    row->setText(kSpeedColumn,
                 CFileList::ReadableSize(static_cast<qlonglong>(last.bytesPerSecond)) + tr("/s"));
    if (report.total >= 0 && static_cast<std::uint64_t>(report.total) >= report.received)
        row->setText(kTimeLeftColumn,
                     Duration(static_cast<double>(static_cast<std::uint64_t>(report.total) -
                                                  report.received) /
                              last.bytesPerSecond));
}

void CDownloadsView::Forget(QTreeWidgetItem* row)
{
    const std::string url = UrlOf(row);
    m_rows.erase(url);
    m_samples.erase(url);
    delete row;
}

QList<QTreeWidgetItem*> CDownloadsView::Selected(std::initializer_list<std::int64_t> states) const
{
    QList<QTreeWidgetItem*> rows;
    for (QTreeWidgetItem* row : selectedItems())
        if (std::find(states.begin(), states.end(), StateOf(row)) != states.end())
            rows.push_back(row);
    return rows;
}

void CDownloadsView::RetrySelected()
{
    std::vector<std::string> urls;
    for (QTreeWidgetItem* row : Selected({DOWNLOAD_FAILED, DOWNLOAD_CANCELLED}))
        urls.push_back(UrlOf(row));
    m_engine.RetryDownloads(urls);
}

void CDownloadsView::OpenSelected()
{
    const QList<QTreeWidgetItem*> rows = Selected({DOWNLOAD_DONE});
    if (rows.isEmpty())
        return;
    const std::string path = BytesOf(rows.front(), kPathRole);
    OpenOrSay(m_engine.Prompts(), path);
}

void CDownloadsView::OpenContainingFolder()
{
    const QList<QTreeWidgetItem*> rows = selectedItems();
    if (rows.isEmpty())
        return;
    const std::string path = BytesOf(rows.front(), kPathRole);
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return;
    OpenOrSay(m_engine.Prompts(), path.substr(0, slash + 1));
}

void CDownloadsView::RemoveRows(const QList<QTreeWidgetItem*>& rows)
{
    for (QTreeWidgetItem* row : rows)
    {
        const std::int64_t state = StateOf(row);
        if (!IsFinished(state))
            continue;
        // No longer queued: nothing will continue what the file left.
        const std::string path = BytesOf(row, kPathRole);
        if ((state == DOWNLOAD_FAILED || state == DOWNLOAD_CANCELLED) && !path.empty())
            DiscardPartialDownload(UrlOf(row), path);
        Forget(row);
    }
}

void CDownloadsView::RemoveSelected()
{
    RemoveRows(selectedItems());
}

void CDownloadsView::ClearFinished()
{
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < topLevelItemCount(); ++i)
        rows.push_back(topLevelItem(i));
    RemoveRows(rows);
}

bool CDownloadsView::event(QEvent* event)
{
    // The view's keys win over the window's shortcuts while it has the focus.
    if (event->type() == QEvent::ShortcutOverride)
    {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (QAction* action : m_actions)
            if (action->shortcut() == pressed ||
                (key->key() == Qt::Key_Enter && action->shortcut() == QKeySequence(Qt::Key_Return)))
            {
                event->accept();
                return true;
            }
    }
    return QTreeWidget::event(event);
}

void CDownloadsView::keyPressEvent(QKeyEvent* event)
{
    QKeyCombination combination = event->keyCombination();
    if (event->key() == Qt::Key_Enter)
        combination = QKeyCombination(combination.keyboardModifiers() &
                                          ~Qt::KeyboardModifiers(Qt::KeypadModifier),
                                      Qt::Key_Return);
    for (QAction* action : m_actions)
        if (action->shortcut() == QKeySequence(combination))
        {
            action->trigger();
            return;
        }
    QTreeWidget::keyPressEvent(event);
}

void CDownloadsView::contextMenuEvent(QContextMenuEvent* event)
{
    const bool any = !selectedItems().isEmpty();
    m_actions[0]->setEnabled(!Selected({DOWNLOAD_FAILED, DOWNLOAD_CANCELLED}).isEmpty());
    m_actions[1]->setEnabled(!Selected({DOWNLOAD_DONE}).isEmpty());
    m_actions[2]->setEnabled(any);
    m_actions[3]->setEnabled(any);
    m_actions[4]->setEnabled(topLevelItemCount() > 0);
    QMenu menu(this);
    menu.addActions(m_actions);
    menu.addSeparator();
    menu.addAction(m_tabbed);
    menu.exec(event->globalPos());
}
