#pragma once

#include "app/SortedRowsModel.h"
#include "app/TransferSpeed.h"
#include "platform/EngineEvents.h"

#include <cstdint>
#include <string>
#include <unordered_map>

// One file queued in this run, as the workers last reported it.
struct CDownloadRow
{
    std::uint64_t sequence = 0;
    std::string url;
    // Decoded: the saved file's name once known, before that the name its URL gives (UTF-8).
    std::string name;
    std::string path;
    std::int64_t state = 0;
    // Seconds until the next try while a failed attempt waits to be retried; 0 otherwise.
    std::int64_t retryInSeconds = 0;
    std::string reason;
    // The file's length, or the bytes so far while it is not known; -1 before either.
    std::int64_t size = -1;
    // -1 while the length is not known.
    int percent = -1;
    // Shown while the file is running and the meter has a value.
    double bytesPerSecond = -1;
    double secondsLeft = -1;
    CTransferSpeed meter;
};

// The downloads view's rows, sorted by any column (sizes, progress, speed and time left as
// numbers), at first in the order the files were queued. User-interface thread only.
class CDownloadsModel : public CSortedRowsModel<CDownloadRow>
{
public:
    enum EColumn
    {
        kNameColumn,
        kStateColumn,
        kSizeColumn,
        kProgressColumn,
        kSpeedColumn,
        kTimeLeftColumn,
        kReasonColumn,
        kAddressColumn,
        kColumnCount,
    };
    // The progress column's percentage (-1: not known) for its delegate.
    static constexpr int kPercentRole = Qt::UserRole;

    explicit CDownloadsModel(QObject* parent = nullptr);

    // One report of a worker (or of the queue) at a time; returns the row's position, -1 when
    // the report removed it or made none.
    int Apply(std::int64_t state, const CDownloadReport& report,
              CTransferSpeed::Clock::time_point now);
    // The position of the URL's row; -1 when it has none.
    int PositionOfUrl(const std::string& url) const;
    void RemoveAt(const std::vector<int>& positions);

    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static const char* StateText(std::int64_t state);
    // "1:05", "1:02:03".
    static QString Duration(double seconds);

protected:
    int Compare(const CDownloadRow& a, const CDownloadRow& b, int column) const override;

private:
    std::unordered_map<std::string, CDownloadRow*> m_byUrl;
};
