#include "app/DownloadsModel.h"
#include "app/FileListModel.h"
#include "app/TransferSpeed.h"

#include <QAbstractItemModelTester>
#include <QPersistentModelIndex>
#include <QTest>
#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <tuple>

// The list models on their own: their order against a plain reference under random changes,
// the signals a view relies on, and the speed meter of the downloads.
class CListModelsTest : public QObject
{
    Q_OBJECT

private slots:
    void fileRowsStayInTheClickedOrderThroughEveryChange();
    void downloadRowsSortByNumbersAndFollowTheirReports();
    void speedCountsOnlyTheTransfersOwnBytes();
};

namespace
{

using CClock = CTransferSpeed::Clock;

// The reference order of the file list, written apart from the model: addresses by their
// lower-case ASCII text, then bytes; sizes as numbers ("" and "<Unknown>" first); names
// likewise; then by arrival. Descending is the exact reverse.
struct CReferenceFile
{
    std::string url;
    std::string name;
    long long bytes;
    int arrival;
};

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::vector<std::string> ReferenceOrder(const std::vector<CReferenceFile>& files, int column,
                                        Qt::SortOrder order)
{
    using CKey = std::tuple<long long, std::string, std::string, std::string, std::string, int>;
    std::vector<CKey> keys;
    for (const CReferenceFile& f : files)
    {
        const bool byName = column == CFileListModel::kNameColumn;
        keys.emplace_back(column == CFileListModel::kSizeColumn ? f.bytes : 0,
                          byName ? Lower(f.name) : "", byName ? f.name : "", Lower(f.url), f.url,
                          f.arrival);
    }
    std::sort(keys.begin(), keys.end());
    if (order == Qt::DescendingOrder)
        std::reverse(keys.begin(), keys.end());
    std::vector<std::string> urls;
    for (const CKey& key : keys)
        urls.push_back(std::get<4>(key));
    return urls;
}

std::vector<std::string> ModelOrder(const CFileListModel& model)
{
    std::vector<std::string> urls;
    for (int row = 0; row < model.Count(); ++row)
        urls.push_back(model.At(row).url);
    return urls;
}

CDownloadReport Report(const std::string& url, std::uint64_t received, std::int64_t total)
{
    CDownloadReport report;
    report.url = url;
    report.received = received;
    report.total = total;
    return report;
}

} // namespace

void CListModelsTest::fileRowsStayInTheClickedOrderThroughEveryChange()
{
    CFileListModel model;
    // Fails the test on any signal a view would misread (rows, moves, layout changes).
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    std::mt19937 random(34);
    std::vector<CReferenceFile> reference;
    int arrivals = 0;
    // Few names and hosts, so equal names, equal sizes and letter-case twins are common.
    const char* const hosts[] = {"http://a.test/", "http://A.test/", "http://b.test/x/"};
    const char* const names[] = {"a.zip", "B.zip", "my%20file%20%281%29.zip", "b.zip", "c.exe"};
    const char* const sizes[] = {"", "<Unknown>", "9", "10", "100", "2048", "10"};
    auto randomFile = [&]
    {
        const std::string url = std::string(hosts[random() % std::size(hosts)]) +
                                std::to_string(random() % 4) + "/" +
                                names[random() % std::size(names)];
        return std::make_pair(url, std::string(sizes[random() % std::size(sizes)]));
    };
    auto add = [&](std::size_t count)
    {
        std::vector<CFileRow> rows;
        for (std::size_t i = 0; i < count; ++i)
        {
            const auto [url, size] = randomFile();
            rows.push_back(CFileListModel::MakeRow(url, size));
            reference.push_back({url, rows.back().name, rows.back().bytes, arrivals++});
        }
        model.Insert(std::move(rows));
    };

    add(40);
    QCOMPARE(model.SortColumn(), int(CFileListModel::kFilesColumn));
    for (int step = 0; step < 150; ++step)
    {
        // A row held across the change (as a selection is) must still be the same file.
        const int heldRow = model.Count() > 0 ? static_cast<int>(random() % model.Count()) : -1;
        const QPersistentModelIndex held(model.index(heldRow, 1));
        const CFileRow* heldFile = heldRow >= 0 ? &model.At(heldRow) : nullptr;
        switch (random() % 5)
        {
        case 0: // a few files, one at a time
            add(random() % 5);
            break;
        case 1: // a burst, merged in one pass
            add(64 + random() % 8);
            break;
        case 2:
            model.sort(static_cast<int>(random() % 3),
                       random() % 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
            break;
        case 3: // a size arrives or fails
            if (model.Count() > 0)
            {
                const int row = static_cast<int>(random() % model.Count());
                const std::string url = model.At(row).url;
                const std::uint64_t arrival = model.At(row).sequence;
                const std::string size = std::to_string(random() % 200);
                model.SetSize(row, size, {});
                reference[arrival].bytes = std::stoll(size);
                QCOMPARE(reference[arrival].url, url);
            }
            break;
        default: // some go
            if (model.Count() > 0)
            {
                std::vector<int> rows;
                for (int i = 0; i < 12; ++i)
                    rows.push_back(static_cast<int>(random() % model.Count()));
                for (int row : rows)
                    reference[model.At(row).sequence].arrival = -1;
                if (heldFile != nullptr && std::count(rows.begin(), rows.end(), heldRow) > 0)
                    heldFile = nullptr;
                model.Remove(rows);
            }
        }
        std::vector<CReferenceFile> remaining;
        for (const CReferenceFile& f : reference)
            if (f.arrival >= 0)
                remaining.push_back(f);
        QCOMPARE(ModelOrder(model),
                 ReferenceOrder(remaining, model.SortColumn(), model.SortOrder()));
        if (heldFile != nullptr)
        {
            QVERIFY(held.isValid());
            QCOMPARE(held.column(), 1);
            QCOMPARE(&model.At(held.row()), heldFile);
        }
    }

    // The name is the one a download saves under, decoded; the address stays as found.
    const CFileRow row = CFileListModel::MakeRow("http://h.test/d/my%20file%20%281%29.zip", "");
    QCOMPARE(row.name, std::string("my file (1).zip"));
}

void CListModelsTest::downloadRowsSortByNumbersAndFollowTheirReports()
{
    CDownloadsModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const CClock::time_point start = CClock::now();
    // Each file's speed in bytes a second over three seconds of reports: 9 < 10 < 100 as
    // numbers, not as texts.
    const std::map<std::string, std::uint64_t> speeds = {
        {"http://h.test/a/same.zip", 100 * 1024},
        {"http://h.test/b/same.zip", 9 * 1024},
        {"http://h.test/c.zip", 10 * 1024},
    };
    for (const auto& [url, speed] : speeds)
        model.Apply(DOWNLOAD_QUEUED, Report(url, 0, -1), start);
    // At first in the order queued.
    QCOMPARE(model.At(0).url, std::string("http://h.test/a/same.zip"));
    model.sort(CDownloadsModel::kSpeedColumn, Qt::AscendingOrder);
    for (int tick = 0; tick <= 12; ++tick)
        for (const auto& [url, speed] : speeds)
            model.Apply(DOWNLOAD_RUNNING, Report(url, 1 + speed * tick / 4, 1 << 30),
                        start + std::chrono::milliseconds(250 * tick));
    // Kept in speed order as the reports moved the rows.
    QCOMPARE(model.At(0).url, std::string("http://h.test/b/same.zip"));
    QCOMPARE(model.At(1).url, std::string("http://h.test/c.zip"));
    QCOMPARE(model.At(2).url, std::string("http://h.test/a/same.zip"));
    QCOMPARE(model.index(2, CDownloadsModel::kSpeedColumn).data().toString(),
             ReadableSize(100 * 1024) + "/s");

    // Two files of one name: told apart by the address column and the tooltip.
    const int first = model.PositionOfUrl("http://h.test/a/same.zip");
    const int second = model.PositionOfUrl("http://h.test/b/same.zip");
    QCOMPARE(model.index(first, CDownloadsModel::kNameColumn).data().toString(),
             model.index(second, CDownloadsModel::kNameColumn).data().toString());
    QCOMPARE(model.index(first, CDownloadsModel::kAddressColumn).data().toString(),
             QString("http://h.test/a/same.zip"));
    QCOMPARE(model.index(second, CDownloadsModel::kNameColumn).data(Qt::ToolTipRole).toString(),
             QString("http://h.test/b/same.zip"));

    // Time left descending: the slowest first; a finished file has none and goes last.
    model.Apply(DOWNLOAD_DONE, Report("http://h.test/c.zip", 1 << 30, 1 << 30),
                start + std::chrono::seconds(4));
    model.sort(CDownloadsModel::kTimeLeftColumn, Qt::DescendingOrder);
    QCOMPARE(model.At(0).url, std::string("http://h.test/b/same.zip"));
    QCOMPARE(model.At(2).url, std::string("http://h.test/c.zip"));
    QCOMPARE(model.index(2, CDownloadsModel::kProgressColumn)
                 .data(CDownloadsModel::kPercentRole)
                 .toInt(),
             100);
    // A file handed back to the list while still queued leaves the view; others stay.
    model.Apply(DOWNLOAD_RETURNED, Report("http://h.test/c.zip", 0, -1), start);
    QCOMPARE(model.Count(), 3);
    model.Apply(DOWNLOAD_QUEUED, Report("http://h.test/c.zip", 0, -1), start);
    model.Apply(DOWNLOAD_RETURNED, Report("http://h.test/c.zip", 0, -1), start);
    QCOMPARE(model.Count(), 2);
    QCOMPARE(model.PositionOfUrl("http://h.test/c.zip"), -1);
}

void CListModelsTest::speedCountsOnlyTheTransfersOwnBytes()
{
    const CClock::time_point t0 = CClock::now();
    auto at = [t0](int milliseconds) { return t0 + std::chrono::milliseconds(milliseconds); };
    constexpr std::uint64_t kept = 500u << 20; // on disk from an earlier run

    // Resumed: the start report says 0, the first progress report the kept bytes and a
    // block. Then 100 KB a second.
    CTransferSpeed meter;
    meter.Add(at(0), 0);
    meter.Add(at(10), kept + 16384);
    QVERIFY(!meter.BytesPerSecond()); // no span yet: nothing shown, not gigabytes a second
    for (int tick = 1; tick <= 8; ++tick)
        meter.Add(at(10 + 250 * tick), kept + 16384 + 25600u * tick);
    QVERIFY(meter.BytesPerSecond());
    QCOMPARE(qRound(*meter.BytesPerSecond()), 102400);
    const std::int64_t total = kept + 16384 + 25600 * 8 + 1024000; // ten seconds to go
    QCOMPARE(qRound(*meter.SecondsLeft(total)), 10);

    // The window slides: after a stall of the window's length the old pace is gone.
    for (int tick = 1; tick <= 40; ++tick)
        meter.Add(at(2010 + 250 * tick), kept + 16384 + 25600u * 8);
    QCOMPARE(*meter.BytesPerSecond(), 0.0);
    QVERIFY(!meter.SecondsLeft(total));

    // Fewer bytes than before: the transfer began again; what came before says nothing.
    meter.Add(at(20000), 4096);
    QVERIFY(!meter.BytesPerSecond());
    meter.Add(at(21000), 4096 + 2048);
    QCOMPARE(qRound(*meter.BytesPerSecond()), 2048);
    meter.Restart();
    QVERIFY(!meter.BytesPerSecond());
}

QTEST_MAIN(CListModelsTest)
#include "list_models_test.moc"
