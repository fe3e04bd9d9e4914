#include "AppTestSupport.h"
#include "DialogTestSupport.h"
#include "ListTestSupport.h"
#include "app/CommandIds.h"
#include "app/DownloadsView.h"
#include "app/FileList.h"
#include "app/FileListModel.h"
#include "app/FilesArea.h"
#include "support/DirectoryNames.h"
#include "support/FileBytes.h"
#include "support/FileSizeLimit.h"
#include "support/TestHttpServer.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QSplitter>
#include <QTest>
#include <atomic>
#include <filesystem>

using namespace std::string_literals;

// The downloads view on a main window whose workers download from a local server.
class CDownloadsViewTest : public QObject
{
    Q_OBJECT

private slots:
    void rowsGoThroughTheStatesWithTheLogsReasons();
    void cancelKeepsRunningRowsAndClearingRemovesTheirData();
    void aWaitToRetryIsShownAndCancelEndsIt();
    void placementIsRemembered();
    void speedAfterAResumeCountsOnlyThisTransfersBytes();
    void newDownloadsGrowThePaneAndItsHeightIsKept();
    void oneRunningFileCountsOnce();
};

namespace
{

// /f/<bytes>/<name> sends that many bytes with a length; /gone.zip is missing until m_found;
// /cut.zip sends 8 KiB of 100 KB with an ETag, then waits until released; /busy.zip asks to come
// back in 30 s.
struct CViewFixture : CFrameFixture
{
    CTestHttpServer server;
    CRecordingPrompts recorded;
    CDownloadsView* view = frame->DownloadsView();
    std::atomic<bool> found{false};

    CViewFixture()
    {
        auto& http = server.Server();
        http.Get(R"(/f/(\d+)/.+)",
                 [](const httplib::Request& request, httplib::Response& response) {
                     response.set_content(std::string(std::stoul(request.matches[1]), 'f'),
                                          "application/zip");
                 });
        http.Get("/gone.zip",
                 [this](const httplib::Request&, httplib::Response& response)
                 {
                     if (found)
                         return response.set_content(std::string(3000, 'h'), "application/zip");
                     response.status = 404;
                 });
        http.Get("/cut.zip",
                 [this](const httplib::Request&, httplib::Response& response)
                 {
                     response.set_header("ETag", "\"c1\"");
                     response.set_content_provider(
                         100000, "application/zip",
                         [this](std::size_t offset, std::size_t, httplib::DataSink& sink)
                         {
                             if (offset == 0)
                                 return sink.write(std::string(8192, 'c').data(), 8192);
                             server.StallUntilReleased();
                             return false;
                         });
                 });
        http.Get("/busy.zip",
                 [](const httplib::Request&, httplib::Response& response)
                 {
                     response.status = 503;
                     response.set_header("Retry-After", "30");
                 });
        server.Start();
        engine.SetPrompts(&recorded);
        EditOptions(engine,
                    [&](COptions& o)
                    {
                        o.m_downloadDir = dir.File("dl") + "/";
                        o.m_connectTimeout = 10;
                        o.m_duplicateAction = kDuplicateSkip;
                    });
        QVERIFY(engine.Open("Hvstr152"));
    }
    ~CViewFixture()
    {
        server.Release();
        engine.CancelDownloads();
        QVERIFY(QTest::qWaitFor([this] { return engine.RunningDownloads() == 0; }, 60000));
    }

    void Queue(const std::vector<std::string>& paths)
    {
        std::vector<std::string> urls;
        for (const std::string& path : paths)
            urls.push_back(server.Url(path));
        engine.RetryDownloads(urls);
    }
    int Row(const std::string& path) const { return view->RowOf(server.Url(path)); }
    bool Finished(const std::vector<std::string>& paths) const
    {
        for (const std::string& path : paths)
            if (Row(path) < 0 || view->StateAt(Row(path)) < DOWNLOAD_DONE)
                return false;
        return true;
    }
    // "state: reason" as the row shows it.
    QString Shown(const std::string& path) const
    {
        const int row = Row(path);
        return row < 0 ? QStringLiteral("no row")
                       : view->TextAt(row, CDownloadsView::kStateColumn) + QStringLiteral(": ") +
                             view->TextAt(row, CDownloadsView::kReasonColumn);
    }
    void Select(const std::vector<std::string>& paths)
    {
        std::vector<int> rows;
        for (const std::string& path : paths)
            rows.push_back(Row(path));
        std::sort(rows.begin(), rows.end());
        view->SelectRows(rows);
    }
};

} // namespace

void CDownloadsViewTest::rowsGoThroughTheStatesWithTheLogsReasons()
{
    CViewFixture f;
    std::filesystem::create_directories(f.dir.File("dl"));
    WriteFileBytes(f.dir.File("dl/old.zip"), "kept");
    EditOptions(f.engine,
                [&](COptions& o)
                {
                    o.m_checkLength = kCheckLengthWhenDownloaded;
                    o.m_minSizeK = 2;
                    o.m_maxSizeK = 100;
                });
    const struct
    {
        std::string path;
        QString shown;
    } rows[] = {
        {"/f/5000/ok.zip", "Done: "},
        {"/gone.zip", "Failed: HTTP error 404!"},
        {"/f/1000/small.zip", "Skipped: Too Small!"},
        {"/f/200000/large.zip", "Skipped: Too Large!"},
        {"/f/3000/old.zip", "Skipped: Filename collision!"},
    };
    std::vector<std::string> paths;
    for (const auto& row : rows)
        paths.push_back(row.path);
    f.Queue(paths);
    QTRY_VERIFY_WITH_TIMEOUT(f.Finished(paths), 30000);
    for (const auto& row : rows)
        QCOMPARE(f.Shown(row.path), row.shown);
    QCOMPARE(f.view->PercentAt(f.Row("/f/5000/ok.zip")), 100);
    QCOMPARE(f.view->ToolTipAt(f.Row("/f/5000/ok.zip"), CDownloadsView::kNameColumn),
             QString::fromStdString(f.server.Url("/f/5000/ok.zip")));
    QCOMPARE(f.view->TextAt(f.Row("/f/5000/ok.zip"), CDownloadsView::kSizeColumn),
             QStringLiteral("4.9 KB"));

    // A disk that fills up fails the file with the system's words.
    EditOptions(f.engine, [&](COptions& o) { o.m_maxSizeK = 1000; });
    {
        const CFileSizeLimit limit(64 * 1024);
        f.Queue({"/f/300000/full.zip"});
        QTRY_VERIFY_WITH_TIMEOUT(f.Finished({"/f/300000/full.zip"}), 30000);
    }
    QCOMPARE(f.Shown("/f/300000/full.zip"), QStringLiteral("Failed: write error: File too large"));

    // Retry (its key) queues the failed file again; a done file is not queued twice.
    f.found = true;
    f.view->setFocus();
    f.Select({"/gone.zip", "/f/5000/ok.zip"});
    QTest::keyClick(f.view, Qt::Key_R, Qt::ControlModifier);
    QTRY_VERIFY_WITH_TIMEOUT(f.Shown("/gone.zip") == QStringLiteral("Done: "), 30000);
    QCOMPARE(ReadFileBytes(f.dir.File("dl/gone.zip")), std::string(3000, 'h'));
    QCOMPARE(ReadFileBytes(f.dir.File("dl/ok.zip")).size(), std::size_t{5000});

    // Open hands the finished file to the desktop, the folder too.
    f.Select({"/gone.zip"});
    QTest::keyClick(f.view, Qt::Key_Return);
    f.view->OpenContainingFolder();
    QCOMPARE(f.recorded.Opened(),
             (std::vector<std::string>{f.dir.File("dl/gone.zip"), f.dir.File("dl") + "/"}));

    // Delete removes the selected rows; Clear Finished the rest.
    f.Select({"/gone.zip"});
    QTest::keyClick(f.view, Qt::Key_Delete);
    QVERIFY(f.Row("/gone.zip") < 0);
    f.view->ClearFinished();
    QCOMPARE(f.view->Count(), 0);
}

void CDownloadsViewTest::cancelKeepsRunningRowsAndClearingRemovesTheirData()
{
    CViewFixture f;
    EditOptions(f.engine, [&](COptions& o) { o.m_downloadThreads = 1; });
    // Served last in, first out: cut.zip runs while the others wait.
    f.Queue({"/f/10/one.zip", "/f/10/two.zip", "/cut.zip"});
    // Its first bytes are in: they came with a validator, so they are kept.
    QTRY_VERIFY_WITH_TIMEOUT(f.Row("/cut.zip") >= 0 && f.view->PercentAt(f.Row("/cut.zip")) > 0,
                             30000);
    QCOMPARE(f.Shown("/f/10/one.zip"), QStringLiteral("Queued: "));

    f.frame->ExecuteCommand(ID_CANCEL_DOWNLOAD);
    QTRY_VERIFY_WITH_TIMEOUT(f.Shown("/cut.zip") == QStringLiteral("Cancelled: "), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(f.view->Count() == 1, 30000);
    f.frame->FileView()->ApplyPendingItems();
    QCOMPARE(
        f.frame->FileView()->Urls(),
        (std::vector<std::string>{f.server.Url("/f/10/one.zip"), f.server.Url("/f/10/two.zip")}));
    // The cut file's bytes wait for a retry, never under its own name.
    QTRY_VERIFY_WITH_TIMEOUT(f.engine.RunningDownloads() == 0, 30000);
    const std::set<std::string> partial = DirectoryNames(f.dir.File("dl"));
    QCOMPARE(partial.size(), std::size_t{2});
    QVERIFY(partial.count("cut.zip") == 0);

    f.view->ClearFinished();
    QCOMPARE(f.view->Count(), 0);
    QVERIFY(DirectoryNames(f.dir.File("dl")).empty());
}

void CDownloadsViewTest::aWaitToRetryIsShownAndCancelEndsIt()
{
    CViewFixture f;
    f.Queue({"/busy.zip"});
    QTRY_COMPARE_WITH_TIMEOUT(f.Shown("/busy.zip"),
                              QStringLiteral("Waiting to retry (30 s): HTTP error 503!"), 30000);
    QElapsedTimer waited;
    waited.start();
    f.frame->ExecuteCommand(ID_CANCEL_DOWNLOAD);
    QTRY_COMPARE_WITH_TIMEOUT(f.Shown("/busy.zip"), QStringLiteral("Cancelled: "), 30000);
    QVERIFY(waited.elapsed() < 5000);
}

void CDownloadsViewTest::placementIsRemembered()
{
    CFrameFixture f;
    QVERIFY(!f.frame->FilesArea()->IsTabbed());
    emit f.frame->DownloadsView()->placementRequested(true);
    QVERIFY(f.frame->FilesArea()->IsTabbed());
    // The views survive the move; a new window opens with the choice.
    QVERIFY(f.frame->FileView()->isVisibleTo(f.frame->FilesArea()));
    f.frame.reset();
    f.frame = std::make_unique<CMainFrame>(f.engine, f.doc, true);
    QVERIFY(f.frame->FilesArea()->IsTabbed());
    emit f.frame->DownloadsView()->placementRequested(false);
    QVERIFY(!f.frame->FilesArea()->IsTabbed());
}

namespace
{

CDownloadReport Report(const std::string& url, std::uint64_t received = 0, std::int64_t total = -1)
{
    CDownloadReport report;
    report.url = url;
    report.received = received;
    report.total = total;
    return report;
}

} // namespace

void CDownloadsViewTest::speedAfterAResumeCountsOnlyThisTransfersBytes()
{
    CFrameFixture f;
    CDownloadsView* view = f.frame->DownloadsView();
    const std::string url = "http://h.test/big.iso";
    const auto t0 = CTransferSpeed::Clock::now();
    auto at = [t0](int milliseconds) { return t0 + std::chrono::milliseconds(milliseconds); };
    constexpr std::uint64_t kMiB = 1 << 20;
    constexpr std::uint64_t kept = 300 * kMiB; // from an earlier run
    const std::uint64_t first = kept + 16384;
    const auto total = static_cast<std::int64_t>(first + 4 * kMiB + 60 * kMiB);
    auto shown = [&]
    {
        const int row = view->RowOf(url);
        return view->TextAt(row, CDownloadsView::kSpeedColumn) + " | " +
               view->TextAt(row, CDownloadsView::kTimeLeftColumn);
    };

    // The reports a worker sends for a resumed file: its start (nothing known yet), then the
    // kept bytes with the first new block at once.
    view->Apply(DOWNLOAD_QUEUED, Report(url), at(0));
    view->Apply(DOWNLOAD_RUNNING, Report(url), at(1));
    view->Apply(DOWNLOAD_RUNNING, Report(url, first, total), at(5));
    QCOMPARE(shown(), QString(" | ")); // not gigabytes a second and one second left
    // Then one MiB a second for four seconds.
    for (int tick = 1; tick <= 16; ++tick)
        view->Apply(DOWNLOAD_RUNNING, Report(url, first + tick * kMiB / 4, total),
                    at(5 + 250 * tick));
    QCOMPARE(shown(), ReadableSize(kMiB) + "/s | 1:00");
    QCOMPARE(view->PercentAt(view->RowOf(url)),
             static_cast<int>((first + 4 * kMiB) * 100 / static_cast<std::uint64_t>(total)));

    // Done: no speed, no time left.
    view->Apply(DOWNLOAD_DONE, Report(url, static_cast<std::uint64_t>(total), total), at(9000));
    QCOMPARE(shown(), QString(" | "));
}

void CDownloadsViewTest::newDownloadsGrowThePaneAndItsHeightIsKept()
{
    CFrameFixture f(false);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    CFilesArea* area = f.frame->FilesArea();
    CDownloadsView* view = f.frame->DownloadsView();
    const int before = area->DownloadsHeight();
    QVERIFY(before > 0);

    std::vector<std::string> urls;
    for (int i = 0; i < 40; ++i)
    {
        urls.push_back("http://h.test/" + std::to_string(i) + ".zip");
        view->Apply(DOWNLOAD_QUEUED, Report(urls.back()));
        QCoreApplication::processEvents();
        // The newest row is in sight, however many came before it.
        const QRect row = view->visualRect(view->model()->index(view->RowOf(urls.back()), 0));
        QVERIFY2(view->viewport()->rect().contains(row), qPrintable(QString::number(i)));
    }
    // Grown for the rows, but to half the area at most: the found files keep their room.
    QVERIFY(area->DownloadsHeight() > before);
    QVERIFY(area->DownloadsHeight() <= area->height() / 2);
    const int grown = area->DownloadsHeight();
    view->Apply(DOWNLOAD_QUEUED, Report("http://h.test/more.zip"));
    QCOMPARE(area->DownloadsHeight(), grown);

    // A click on a header sorts, names as texts, sizes as numbers; in the order queued before.
    QCOMPARE(view->UrlAt(0), urls[0]);
    ClickHeader(view, CDownloadsView::kAddressColumn);
    QCOMPARE(view->UrlAt(2), "http://h.test/10.zip"s);
    ClickHeader(view, CDownloadsView::kAddressColumn);
    QCOMPARE(view->UrlAt(0), "http://h.test/more.zip"s);

    // Ctrl+C copies the selected rows' addresses, top to bottom as shown.
    view->setFocus();
    view->SelectRows({view->RowOf(urls[1]), view->RowOf(urls[0])});
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QString::fromStdString(urls[1] + "\n" + urls[0] + "\n"));

    // The user drags the pane smaller; a new window opens with that height.
    auto* splitter = area->findChild<QSplitter*>();
    QVERIFY(splitter != nullptr);
    QWidget* handle = splitter->handle(1);
    const QPoint middle = handle->rect().center();
    QTest::mousePress(handle, Qt::LeftButton, {}, middle);
    QTest::mouseMove(handle, middle + QPoint(0, 60));
    QTest::mouseRelease(handle, Qt::LeftButton, {}, middle + QPoint(0, 60));
    const int dragged = area->DownloadsHeight();
    QVERIFY2(dragged < grown - 30, qPrintable(QString("%1 %2").arg(dragged).arg(grown)));
    f.frame.reset();
    f.frame = std::make_unique<CMainFrame>(f.engine, f.doc, false);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    QCOMPARE(f.frame->FilesArea()->DownloadsHeight(), dragged);
}

void CDownloadsViewTest::oneRunningFileCountsOnce()
{
    CViewFixture f;
    f.Queue({"/cut.zip"});
    QTRY_VERIFY_WITH_TIMEOUT(f.Row("/cut.zip") >= 0 && f.view->PercentAt(f.Row("/cut.zip")) > 0,
                             30000);
    f.frame->DeliverPendingMessages();
    QVERIFY2(f.frame->CountersText().endsWith("Downloads 1"), qPrintable(f.frame->CountersText()));
    QCOMPARE(f.frame->StatusPaneText(3), QString("1"));
}

QTEST_MAIN(CDownloadsViewTest)
#include "downloads_view_test.moc"
