#include "app/DownloadsView.h"

#include "app/DownloadsModel.h"
#include "app/ListSelection.h"
#include "app/OpenTarget.h"
#include "net/ResumablePart.h"
#include "platform/UserPrompts.h"
#include "session/Engine.h"
#include "session/SessionMessages.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QStyleOption>
#include <QStyledItemDelegate>
#include <algorithm>

namespace
{

bool IsFinished(std::int64_t state)
{
    return state == DOWNLOAD_DONE || state == DOWNLOAD_SKIPPED || state == DOWNLOAD_FAILED ||
           state == DOWNLOAD_CANCELLED;
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
        const int percent = index.data(CDownloadsModel::kPercentRole).toInt();
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
    : QTreeView(parent), m_engine(engine), m_model(new CDownloadsModel(this))
{
    setModel(m_model);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setItemDelegateForColumn(kProgressColumn, new CProgressDelegate(this));
    // In the order queued until the user clicks a column.
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    FitColumns();
    setAccessibleName(tr("Downloads"));

    AddAction(tr("&Retry"), QKeySequence(Qt::CTRL | Qt::Key_R), &CDownloadsView::RetrySelected);
    AddAction(tr("&Open"), QKeySequence(Qt::Key_Return), &CDownloadsView::OpenSelected);
    AddAction(tr("Open Containing &Folder"), QKeySequence(Qt::CTRL | Qt::Key_Return),
              &CDownloadsView::OpenContainingFolder);
    AddAction(tr("Re&move from View"), QKeySequence(QKeySequence::Delete),
              &CDownloadsView::RemoveSelected);
    AddAction(tr("&Clear Finished"), QKeySequence(Qt::CTRL | Qt::Key_Delete),
              &CDownloadsView::ClearFinished);
    AddAction(tr("&Copy Address"), QKeySequence(QKeySequence::Copy),
              &CDownloadsView::CopyAddresses);
    m_tabbed = new QAction(tr("Show in a &Tab"), this);
    m_tabbed->setCheckable(true);
    connect(m_tabbed, &QAction::triggered, this, &CDownloadsView::placementRequested);
}

void CDownloadsView::FitColumns()
{
    const QFontMetrics metrics = fontMetrics();
    // Room for the cell's margins.
    const int padding = 2 * style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, this) + 4;
    auto widest = [&](std::initializer_list<QString> texts)
    {
        int width = 0;
        for (const QString& text : texts)
            width = std::max(width, metrics.horizontalAdvance(text));
        return width + padding;
    };
    int stateWidth = widest({tr("State")});
    for (std::int64_t state = DOWNLOAD_QUEUED; state <= DOWNLOAD_CANCELLED; ++state)
        stateWidth = std::max(stateWidth, widest({tr(CDownloadsModel::StateText(state))}));
    m_numberWidths = {
        {kStateColumn, stateWidth},
        {kSizeColumn, widest({tr("Size"), QStringLiteral("999.9 MB")})},
        {kProgressColumn, widest({tr("Progress")})},
        {kSpeedColumn, widest({tr("Speed"), QStringLiteral("99.9 MB/s")})},
        {kTimeLeftColumn, widest({tr("Time Left"), QStringLiteral("9:59:59")})},
    };
    header()->setStretchLastSection(false);
    header()->setMinimumSectionSize(widest({tr("Reason")}));
    for (const auto& [column, width] : m_numberWidths)
        setColumnWidth(column, width);
    setColumnWidth(kAddressColumn, metrics.horizontalAdvance(QLatin1Char('x')) * 40);
    ShareTheRest();
}

void CDownloadsView::ShareTheRest()
{
    // The name and the reason share what the numbers leave of the visible width, so every
    // column up to the reason shows, also on a scaled screen; the address follows, scrolled to.
    int rest = viewport()->width();
    for (const auto& [column, width] : m_numberWidths)
        rest -= width;
    const int least = header()->minimumSectionSize();
    setColumnWidth(kNameColumn, std::max(least, rest * 11 / 20));
    setColumnWidth(kReasonColumn, std::max(least, rest - std::max(least, rest * 11 / 20)));
}

bool CDownloadsView::viewportEvent(QEvent* event)
{
    const bool handled = QTreeView::viewportEvent(event);
    // Also when a scroll bar comes or goes, which resizes the viewport alone.
    if (event->type() == QEvent::Resize)
        ShareTheRest();
    return handled;
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

int CDownloadsView::RowOf(const std::string& url) const
{
    return m_model->PositionOfUrl(url);
}

int CDownloadsView::Count() const
{
    return m_model->Count();
}

std::string CDownloadsView::UrlAt(int row) const
{
    return row >= 0 && row < Count() ? m_model->At(row).url : std::string();
}

std::int64_t CDownloadsView::StateAt(int row) const
{
    return row >= 0 && row < Count() ? m_model->At(row).state : -1;
}

int CDownloadsView::PercentAt(int row) const
{
    return row >= 0 && row < Count() ? m_model->At(row).percent : -1;
}

QString CDownloadsView::TextAt(int row, int column) const
{
    return m_model->index(row, column).data(Qt::DisplayRole).toString();
}

QString CDownloadsView::ToolTipAt(int row, int column) const
{
    return m_model->index(row, column).data(Qt::ToolTipRole).toString();
}

std::vector<int> CDownloadsView::SelectedRows() const
{
    return SelectedRowsOf(*this);
}

void CDownloadsView::SelectRows(const std::vector<int>& rows)
{
    SelectRowsOf(*this, rows);
}

int CDownloadsView::HeightForAllRows() const
{
    const int perRow = Count() > 0 ? rowHeight(m_model->index(0, 0)) : fontMetrics().height() + 4;
    int height = header()->sizeHint().height() + 2 * frameWidth() + Count() * perRow;
    if (horizontalScrollBar()->isVisible())
        height += horizontalScrollBar()->sizeHint().height();
    return height;
}

void CDownloadsView::Apply(std::int64_t state, const CDownloadReport& report)
{
    Apply(state, report, CTransferSpeed::Clock::now());
}

void CDownloadsView::Apply(std::int64_t state, const CDownloadReport& report,
                           CTransferSpeed::Clock::time_point now)
{
    const bool added = state != DOWNLOAD_RETURNED && m_model->PositionOfUrl(report.url) < 0;
    const int row = m_model->Apply(state, report, now);
    if (!added || row < 0)
        return;
    emit rowAdded();
    // A new download shows where it went, also in a small pane.
    scrollTo(m_model->index(m_model->PositionOfUrl(report.url), 0));
}

std::vector<int> CDownloadsView::Selected(std::initializer_list<std::int64_t> states) const
{
    std::vector<int> rows;
    for (int row : SelectedRows())
        if (std::find(states.begin(), states.end(), StateAt(row)) != states.end())
            rows.push_back(row);
    return rows;
}

void CDownloadsView::RetrySelected()
{
    std::vector<std::string> urls;
    for (int row : Selected({DOWNLOAD_FAILED, DOWNLOAD_CANCELLED}))
        urls.push_back(UrlAt(row));
    m_engine.RetryDownloads(urls);
}

void CDownloadsView::OpenSelected()
{
    const std::vector<int> rows = Selected({DOWNLOAD_DONE});
    if (rows.empty())
        return;
    const std::string path = m_model->At(rows.front()).path;
    OpenOrSay(m_engine.Prompts(), path);
}

void CDownloadsView::OpenContainingFolder()
{
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    const std::string path = m_model->At(rows.front()).path;
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return;
    OpenOrSay(m_engine.Prompts(), path.substr(0, slash + 1));
}

void CDownloadsView::RemoveRows(const std::vector<int>& rows)
{
    std::vector<int> gone;
    for (int row : rows)
    {
        const CDownloadRow& shown = m_model->At(row);
        if (!IsFinished(shown.state))
            continue;
        // No longer queued: nothing will continue what the file left.
        if ((shown.state == DOWNLOAD_FAILED || shown.state == DOWNLOAD_CANCELLED) &&
            !shown.path.empty())
            DiscardPartialDownload(shown.url, shown.path);
        gone.push_back(row);
    }
    m_model->RemoveAt(gone);
}

void CDownloadsView::RemoveSelected()
{
    RemoveRows(SelectedRows());
}

void CDownloadsView::ClearFinished()
{
    std::vector<int> rows(static_cast<std::size_t>(Count()));
    for (int row = 0; row < Count(); ++row)
        rows[static_cast<std::size_t>(row)] = row;
    RemoveRows(rows);
}

void CDownloadsView::CopyAddresses()
{
    std::vector<std::string> urls;
    for (int row : SelectedRows())
        urls.push_back(UrlAt(row));
    CopyAddressLines(urls);
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
    return QTreeView::event(event);
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
    QTreeView::keyPressEvent(event);
}

void CDownloadsView::contextMenuEvent(QContextMenuEvent* event)
{
    const bool any = selectionModel()->hasSelection();
    m_actions[0]->setEnabled(!Selected({DOWNLOAD_FAILED, DOWNLOAD_CANCELLED}).empty());
    m_actions[1]->setEnabled(!Selected({DOWNLOAD_DONE}).empty());
    m_actions[2]->setEnabled(any);
    m_actions[3]->setEnabled(any);
    m_actions[4]->setEnabled(Count() > 0);
    m_actions[5]->setEnabled(any);
    QMenu menu(this);
    menu.addActions(m_actions);
    menu.addSeparator();
    menu.addAction(m_tabbed);
    menu.exec(event->globalPos());
    // The keys serve whatever is selected when they are pressed.
    for (QAction* action : m_actions)
        action->setEnabled(true);
}
