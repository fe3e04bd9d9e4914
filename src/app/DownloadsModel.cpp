#include "app/DownloadsModel.h"

#include "app/FileListModel.h"
#include "url/SavedName.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace
{

QString Text(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The last part of the path (or of the URL while no path is known).
std::string ShortName(const std::string& pathOrUrl)
{
    std::string name = pathOrUrl;
    while (!name.empty() && name.back() == '/')
        name.pop_back();
    return name.substr(name.rfind('/') + 1);
}

template <class T> int CompareNumbers(T a, T b)
{
    return a < b ? -1 : a > b ? 1 : 0;
}

QString Translated(const char* text)
{
    return QCoreApplication::translate("CDownloadsView", text);
}

} // namespace

CDownloadsModel::CDownloadsModel(QObject* parent) : CSortedRowsModel<CDownloadRow>(parent) {}

const char* CDownloadsModel::StateText(std::int64_t state)
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

QString CDownloadsModel::Duration(double seconds)
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

int CDownloadsModel::PositionOfUrl(const std::string& url) const
{
    const auto found = m_byUrl.find(url);
    return found == m_byUrl.end() ? -1 : PositionOf(found->second);
}

void CDownloadsModel::RemoveAt(const std::vector<int>& positions)
{
    for (int position : positions)
        m_byUrl.erase(At(position).url);
    Remove(positions);
}

int CDownloadsModel::Apply(std::int64_t state, const CDownloadReport& report,
                           CTransferSpeed::Clock::time_point now)
{
    int position = PositionOfUrl(report.url);
    if (state == DOWNLOAD_RETURNED)
    {
        // Back in the file list: nothing more to show here.
        if (position >= 0 && At(position).state == DOWNLOAD_QUEUED)
            RemoveAt({position});
        return -1;
    }
    if (position < 0)
    {
        CDownloadRow row;
        row.url = report.url;
        // Until the download has its name, the name its URL gives.
        const std::string urlName = UrlFileName(report.url);
        row.name = urlName.empty() ? ShortName(report.url) : SafeFileName(urlName);
        row.state = state;
        CDownloadRow* stored = Insert({std::move(row)}).front();
        m_byUrl[report.url] = stored;
        position = PositionOf(stored);
    }
    return Update(position,
                  [&](CDownloadRow& row)
                  {
                      row.state = state;
                      row.retryInSeconds = state == DOWNLOAD_RUNNING
                                               ? std::max<std::int64_t>(report.retryInSeconds, 0)
                                               : 0;
                      if (!report.path.empty())
                      {
                          row.path = report.path;
                          row.name = ShortName(report.path);
                      }
                      row.reason = report.reason;
                      if (state == DOWNLOAD_QUEUED)
                          row.percent = -1;
                      if (state == DOWNLOAD_RUNNING || state == DOWNLOAD_DONE)
                      {
                          if (report.total >= 0)
                              row.size = report.total;
                          else if (report.received > 0)
                              row.size = static_cast<std::int64_t>(report.received);
                          row.percent =
                              report.total > 0
                                  ? static_cast<int>(report.received * 100 /
                                                     static_cast<std::uint64_t>(report.total))
                                  : -1;
                      }
                      if (state == DOWNLOAD_DONE)
                          row.percent = 100;
                      if (state != DOWNLOAD_RUNNING)
                      {
                          row.meter.Restart();
                          row.bytesPerSecond = -1;
                          row.secondsLeft = -1;
                          return;
                      }
                      row.meter.Add(now, report.received);
                      row.bytesPerSecond = row.meter.BytesPerSecond().value_or(-1);
                      row.secondsLeft = row.meter.SecondsLeft(report.total).value_or(-1);
                  });
}

int CDownloadsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant CDownloadsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count())
        return {};
    const CDownloadRow& row = At(index.row());
    const int column = index.column();
    if (role == kPercentRole && column == kProgressColumn)
        return row.percent;
    if (role == Qt::TextAlignmentRole)
    {
        if (column == kSizeColumn || column == kSpeedColumn || column == kTimeLeftColumn)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return {};
    }
    if (role == Qt::ToolTipRole)
    {
        if (column == kReasonColumn)
            return Text(row.reason);
        if (column == kNameColumn || column == kAddressColumn)
            return Text(row.url);
        return {};
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (column)
    {
    case kNameColumn:
        return Text(row.name);
    case kStateColumn:
        if (row.retryInSeconds > 0)
            return Translated("Waiting to retry (%1 s)")
                .arg(static_cast<qlonglong>(row.retryInSeconds));
        return Translated(StateText(row.state));
    case kSizeColumn:
        return row.size >= 0 ? ReadableSize(row.size) : QString();
    case kSpeedColumn:
        return row.bytesPerSecond >= 0
                   ? ReadableSize(static_cast<qlonglong>(row.bytesPerSecond)) + Translated("/s")
                   : QString();
    case kTimeLeftColumn:
        return row.secondsLeft >= 0 ? Duration(row.secondsLeft) : QString();
    case kReasonColumn:
        return Text(row.reason);
    case kAddressColumn:
        return Text(row.url);
    default:
        return {};
    }
}

QVariant CDownloadsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    static const char* const titles[kColumnCount] = {"Name",  "State",     "Size",   "Progress",
                                                     "Speed", "Time Left", "Reason", "Address"};
    return Header(role, Translated(titles[section]),
                  section == kSizeColumn || section == kSpeedColumn || section == kTimeLeftColumn);
}

int CDownloadsModel::Compare(const CDownloadRow& a, const CDownloadRow& b, int column) const
{
    switch (column)
    {
    case kNameColumn:
        return CompareListText(a.name, b.name);
    case kStateColumn:
        return CompareNumbers(a.state, b.state);
    case kSizeColumn:
        return CompareNumbers(a.size, b.size);
    case kProgressColumn:
        return CompareNumbers(a.percent, b.percent);
    case kSpeedColumn:
        return CompareNumbers(a.bytesPerSecond, b.bytesPerSecond);
    case kTimeLeftColumn:
        return CompareNumbers(a.secondsLeft, b.secondsLeft);
    case kReasonColumn:
        return CompareListText(a.reason, b.reason);
    case kAddressColumn:
        return CompareListText(a.url, b.url);
    default:
        return 0;
    }
}
