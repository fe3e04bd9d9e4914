#include "AppTestSupport.h"
#include "DialogTestSupport.h"
#include "ListTestSupport.h"
#include "app/ActivityBar.h"
#include "app/ExportDlg.h"
#include "app/FileList.h"
#include "app/FileListModel.h"
#include "app/FindDlg.h"
#include "app/HistoryCombo.h"
#include "settings/FileExport.h"
#include "support/FileBytes.h"
#include "support/RecordingObserver.h"
#include "support/TestHttpServer.h"
#include "support/WaitFor.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMenu>
#include <QRadioButton>
#include <QTest>
#include <atomic>
#include <filesystem>
#include <thread>

using namespace std::string_literals;

// The found-file list's commands on a main window: queueing, removing, finding, sizes, export.
class CFileListTest : public QObject
{
    Q_OBJECT

private slots:
    void downloadQueuesTheSelection();
    void workersAddWithoutWaitingForTheWindow();
    void findSelectsMatchesAndMovesTheFocus();
    void determineSizeShowsWhatTheServerSays();
    void exportPresetsAndFormats();
    void htmlExportEscapesEveryUrl();
    void exportAndOpenLinkOnlyFetchableSchemes();
    void headerClicksSortAndArrivalsKeepTheSort();
    void namesAreDecodedAndAddressesCopied();
    void enterKeepsTheSelection();
    void aMillionFilesStayResponsive();
};

namespace
{

using CUrls = std::vector<std::string>;

// The index of an event kind in CEngineEvent.
template <class T> std::size_t KindOf()
{
    return CEngineEvent(std::in_place_type<T>).index();
}

// Keeps what the engine says instead of letting the window act on it, except the found files
// and pages, which go to the window's views as its own observer sends them.
class CListObserver : public CEngineObserver
{
public:
    CListObserver(CRecordingObserver& recorder, CFrameMessageQueue& window)
        : m_recorder(recorder), m_window(window)
    {
    }
    void OnEvent(CEngineEvent event) override
    {
        if (std::holds_alternative<CFileFoundEvent>(event) ||
            std::holds_alternative<CPageAddedEvent>(event))
            m_window.OnEvent(std::move(event));
        else
            m_recorder.OnEvent(std::move(event));
    }

private:
    CRecordingObserver& m_recorder;
    CFrameMessageQueue& m_window;
};

struct CListFixture : CFrameFixture
{
    CRecordingPrompts recorded;
    CRecordingObserver posted; // what the engine posts, instead of the window acting on it
    CListObserver observer{posted, frame->Messages()};
    CFileList* list = frame->FileView();

    explicit CListFixture(bool headless = true) : CFrameFixture(headless)
    {
        engine.SetPrompts(&recorded);
        posted.SetPrompts(&recorded);
        engine.SetObserver(&observer);
    }
    ~CListFixture() { engine.SetObserver(nullptr); }

    void AddFiles(const CUrls& urls)
    {
        for (const std::string& url : urls)
            QVERIFY(engine.ListFile(url));
    }
    int RowOf(const std::string& url) const { return list->RowOf(url); }
    void Select(const CUrls& urls)
    {
        std::vector<int> rows;
        for (const std::string& url : urls)
            rows.push_back(RowOf(url));
        std::sort(rows.begin(), rows.end());
        list->SelectRows(rows);
    }
    CUrls SelectedUrls() const { return list->SelectedUrls(); }
    QString Shown(const std::string& url, int column) const
    {
        return list->TextAt(RowOf(url), column);
    }
    std::vector<std::size_t> PostedKinds() const
    {
        std::vector<std::size_t> kinds;
        for (const CEngineEvent& event : posted.Events())
            kinds.push_back(event.index());
        return kinds;
    }
};

const std::string a = "http://h.test/a.zip", b = "http://h.test/b.zip", c = "http://h.test/c.zip";

} // namespace

void CFileListTest::downloadQueuesTheSelection()
{
    CListFixture f(false);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    const std::string ghost = "http://h.test/ghost.zip"; // shown, but unknown to the store
    f.AddFiles({a, b, c});
    f.list->InsertItem(ghost, "");

    // Nothing selected: nothing queued, nothing posted.
    f.list->DownloadSelected();
    QVERIFY(f.posted.Events().empty());

    // A double click (after the first click of the pair) queues the clicked item alone.
    f.Select({a});
    const QPoint row = f.list->visualRect(f.list->model()->index(f.RowOf(b), 0)).center();
    QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, row);
    QTest::mouseDClick(f.list->viewport(), Qt::LeftButton, {}, row);
    QCOMPARE(f.list->Urls(), (CUrls{a, c, ghost}));
    QCOMPARE(f.engine.PendingDownloads(), 1u);
    QVERIFY(!f.engine.RecordState(b).inFileList);
    QCOMPARE(f.PostedKinds(), (std::vector<std::size_t>{KindOf<CDownloadStateEvent>(),
                                                        KindOf<CDownloadsChangedEvent>()}));
    QCOMPARE(std::get<CDownloadStateEvent>(f.posted.Events()[0]).state, DOWNLOAD_QUEUED);

    // c is queued already: the queue refuses it, and it stays listed, unselected.
    QVERIFY(f.engine.RetryDownloads({c}));
    f.Select({a, c, ghost});
    f.list->DownloadSelected();
    QCOMPARE(f.list->Urls(), (CUrls{c, ghost}));
    QCOMPARE(f.SelectedUrls(), CUrls{ghost});
    // The queue and the list share one record per file.
    QCOMPARE(f.engine.PendingDownloads(), 3u);
    QCOMPARE(f.engine.Statistics().allocatedUrls, std::size_t{3});

    // Delete on the list removes the rest and lets a record go that nothing else holds.
    const std::string d = "http://h.test/d.zip";
    f.AddFiles({d});
    QCOMPARE(f.engine.Statistics().allocatedUrls, std::size_t{4});
    f.list->selectAll();
    f.frame->SetActivePane(CMainFrame::kFilePane);
    f.frame->ExecuteCommand(32786);
    QCOMPARE(f.list->Count(), 0);
    QCOMPARE(f.engine.Statistics().allocatedUrls, std::size_t{3});
    QVERIFY(!f.engine.RecordState(c).inFileList && !f.engine.RecordState(d).known);
}

void CFileListTest::workersAddWithoutWaitingForTheWindow()
{
    CListFixture f;
    f.AddFiles({a});
    f.Select({a});
    // A browse thread adds a file without waiting for this thread, which serves no events yet.
    std::thread worker([&] { QVERIFY(f.engine.ListFile(b)); });
    worker.join();
    QCOMPARE(f.list->Urls(), CUrls{a});
    QVERIFY(f.engine.RecordState(b).inFileList);
    f.list->DownloadSelected();
    QCoreApplication::processEvents();
    QCOMPARE(f.list->Urls(), CUrls{b});
    QCOMPARE(f.engine.PendingDownloads(), 1u);
}

void CFileListTest::findSelectsMatchesAndMovesTheFocus()
{
    CListFixture f;
    const std::string exe = "http://h.test/a.exe", mp3 = "http://h.test/b.mp3",
                      zip = "http://h.test/x.zip", txt = "http://h.test/z.txt";
    f.AddFiles({exe, mp3, zip, txt});
    struct CCase
    {
        std::string focus; // empty: no item has the focus
        bool findAll;
        const char* text;
        CUrls selected;
        std::string focusAfter;
    };
    const CCase cases[] = {
        {"", true, "ZIP", {zip}, txt},              // all, any letter case; focus to the end
        {"", false, "zip", {zip}, zip},             // one from the top
        {exe, false, ".", {mp3}, mp3},              // one after the focus
        {zip, false, "zip", {}, txt},               // past the last match
        {txt, false, "zip", {}, txt},               // from the last item: nothing
        {mp3, true, "", {exe, mp3, zip, txt}, txt}, // empty text matches all
    };
    for (const CCase& test : cases)
    {
        f.Select({exe}); // an old selection goes
        f.list->selectionModel()->setCurrentIndex(
            f.list->model()->index(test.focus.empty() ? -1 : f.RowOf(test.focus), 0),
            QItemSelectionModel::NoUpdate);
        AnswerNextDialog<CFindDlg>(
            [&](CFindDlg& dialog)
            {
                QVERIFY(dialog.FindAllButton()->isChecked());
                (test.findAll ? dialog.FindAllButton() : dialog.FindOneButton())->click();
                dialog.SearchCombo()->SetText(test.text);
                dialog.accept();
            });
        f.list->FindInList();
        QCOMPARE(f.SelectedUrls(), test.selected);
        QCOMPARE(f.list->UrlAt(f.list->currentIndex().row()), test.focusAfter);
    }
}

void CFileListTest::determineSizeShowsWhatTheServerSays()
{
    CTestHttpServer server;
    std::atomic<int> otherRequests{0};
    server.Server().Get("/sized.zip", [](const httplib::Request&, httplib::Response& response)
                        { response.set_content(std::string(1536, 'z'), "application/zip"); });
    server.Server().Get("/nosize.zip",
                        [](const httplib::Request&, httplib::Response& response)
                        {
                            response.set_chunked_content_provider(
                                "application/zip", [](std::size_t, httplib::DataSink& sink)
                                { return sink.write("abc", 3) && (sink.done(), true); });
                        });
    server.Server().Get("/other.zip", [&](const httplib::Request&, httplib::Response& response)
                        { response.set_content(std::to_string(++otherRequests), "text/plain"); });
    server.Start(); // /missing.zip answers 404

    CListFixture f;
    QVERIFY(f.engine.Open("Hvstr152"));
    const std::string sized = server.Url("/sized.zip"), nosize = server.Url("/nosize.zip"),
                      missing = server.Url("/missing.zip"), other = server.Url("/other.zip");
    f.AddFiles({sized, nosize, missing, other});
    f.Select({sized, nosize, missing});
    f.frame->SetActivePane(CMainFrame::kFilePane);
    f.frame->ActivityBar()->Step(30);
    f.frame->ExecuteCommand(32788);

    QCOMPARE(f.list->SizeTextAt(f.RowOf(sized)), QString("1536"));
    QCOMPARE(f.Shown(sized, CFileList::kSizeColumn), QString("1.5 KB"));
    QCOMPARE(f.list->ToolTipAt(f.RowOf(sized), CFileList::kSizeColumn),
             QLocale().toString(1536) + " bytes");
    QCOMPARE(f.Shown(nosize, CFileList::kSizeColumn), QString("<Unknown>"));
    QCOMPARE(otherRequests.load(), 0);
    // A failed request: its row and the status bar say why, without a message box; the log
    // has it too. The activity bar is cleared at the end.
    const QString why = QStringLiteral("HTTP error 404!");
    QCOMPARE(f.Shown(missing, CFileList::kSizeColumn), why);
    QCOMPARE(f.list->ToolTipAt(f.RowOf(missing), CFileList::kSizeColumn), why);
    QVERIFY(f.recorded.Messages().empty());
    QVERIFY(ReadFileBytes(f.dir.File("hvstr.log")).find("Skipped " + missing) != std::string::npos);
    f.frame->DeliverPendingMessages();
    QCOMPARE(f.frame->ActivityBar()->Accumulator(), 0);
    QCOMPARE(f.frame->StatusPaneText(0),
             QString::fromStdString("Could not determine the size of " + missing + ": ") + why);
    // Asked again, the refused file keeps its answer.
    f.Select({missing});
    f.frame->ExecuteCommand(32788);
    QCOMPARE(f.Shown(missing, CFileList::kSizeColumn), why);
    f.frame->DeliverPendingMessages();
    QVERIFY(f.frame->StatusPaneText(0).startsWith(
        QString::fromStdString("Could not determine the size of " + missing)));
}

void CFileListTest::exportPresetsAndFormats()
{
    CListFixture f;
    f.AddFiles({b, a});
    const std::string txt = f.dir.File("export.txt"), html = f.dir.File("export.html");
    EditOptions(f.engine, [&](COptions& o) { o.m_downloadDir = f.dir.File("dl/"); });
    qputenv("HARVESTOR_SITE", "http://maker.test");
    // Answers the dialog with selection and format, then saves where the format's file goes;
    // returns the preset selection.
    QStringList offered;
    auto runExport = [&](int selection, int format)
    {
        int preset = -1;
        AnswerNextDialog<CExportDlg>(
            [&](CExportDlg& dialog)
            {
                preset = dialog.Selection();
                QCOMPARE(dialog.Format(), int(CExportDlg::kHtmlFormat));
                dialog.SelectionButton(selection)->click();
                dialog.FormatButton(format)->click();
                offered << QString();
                AnswerNextSaveDialog(format == CExportDlg::kTextFormat ? txt : html,
                                     &offered.back());
                dialog.accept();
            });
        f.list->Export();
        return preset;
    };

    // Nothing selected: all items are preset; the text file is the URLs in list order.
    QCOMPARE(runExport(CExportDlg::kAllItems, CExportDlg::kTextFormat), int(CExportDlg::kAllItems));
    QCOMPARE(ReadFileBytes(txt), a + "\n" + b + "\n");
    QCOMPARE(f.recorded.Opened(), CUrls{txt});
    // The save dialog offers the format's usual name in the download folder.
    QCOMPARE(offered, QStringList{QString::fromStdString(f.dir.File("dl/export.txt"))});
    // Selected items with none selected: header and footer only, or an empty text file.
    runExport(CExportDlg::kSelectedItems, CExportDlg::kHtmlFormat);
    QCOMPARE(ReadFileBytes(html), BuildHtmlExport({}, "http://maker.test/"));
    runExport(CExportDlg::kSelectedItems, CExportDlg::kTextFormat);
    QCOMPARE(ReadFileBytes(txt), std::string());

    // A selection is preset. A file that cannot be created is reported; nothing is opened.
    std::filesystem::remove(txt);
    std::filesystem::create_directory(txt);
    f.Select({b});
    QCOMPARE(runExport(CExportDlg::kSelectedItems, CExportDlg::kTextFormat),
             int(CExportDlg::kSelectedItems));
    QCOMPARE(f.recorded.Messages().size(), std::size_t{1});
    QCOMPARE(f.recorded.Messages()[0].caption, "Error"s);
    QCOMPARE(f.recorded.Messages()[0].text, "Failed to export data!"s);
    QCOMPARE(f.recorded.Opened().size(), std::size_t{3});
    qunsetenv("HARVESTOR_SITE");
}

void CFileListTest::htmlExportEscapesEveryUrl()
{
    const std::string hostile = "http://h.test/x.zip?a=1&b=\"><script>x</script>";
    const std::string escaped = "http://h.test/x.zip?a=1&amp;b=&quot;&gt;&lt;script&gt;x&lt;"
                                "/script&gt;";
    QCOMPARE(BuildHtmlExport({hostile}, "http://m.test/"),
             "<!DOCTYPE html>\n"
             "<html lang=\"en\">\n"
             "<head>\n"
             "<meta charset=\"utf-8\">\n"
             "<title>Harvestor File Export</title>\n"
             "</head>\n"
             "<body>\n"
             "<h1>Harvestor File Export</h1>\n"
             "<p><a href=\"http://m.test/\">m.test/</a></p>\n"
             "<p>\n"
             "<a href=\"" +
                 escaped + "\">" + escaped +
                 "</a><br>\n"
                 "</p>\n"
                 "</body>\n"
                 "</html>\n");
    QCOMPARE(BuildTextExport({hostile}), hostile + "\n"); // text is written as it is
}

// A script or local address in the list is exported as text and never handed to the desktop;
// http, https and ftp addresses are links and open.
void CFileListTest::exportAndOpenLinkOnlyFetchableSchemes()
{
    const CUrls fetchable = {"http://h.test/a.zip", "HTTPS://h.test/b.zip", "ftp://h.test/c.zip"};
    const CUrls others = {"javascript:alert(document.domain)//d.zip", "file:///etc/e.zip",
                          "data:text/html,x.zip"};
    CListFixture f;
    for (const CUrls& urls : {fetchable, others})
        for (const std::string& url : urls)
        {
            const std::string html = BuildHtmlExport({url}, "http://m.test/");
            if (urls == fetchable)
                QVERIFY(html.find("<a href=\"" + url + "\">") != std::string::npos);
            else
                QVERIFY(html.find("\n" + EscapeHtml(url) + "<br>\n") != std::string::npos &&
                        html.find("href=\"" + EscapeHtml(url)) == std::string::npos);
            f.AddFiles({url});
            f.Select({url});
            f.list->OpenSelected();
        }
    QCOMPARE(f.recorded.Opened(), fetchable);
    QVERIFY(f.recorded.Messages().empty());
}

void CFileListTest::headerClicksSortAndArrivalsKeepTheSort()
{
    CListFixture f(false);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    const std::string nine = "http://h.test/Z.zip", ten = "http://h.test/y.zip",
                      hundred = "http://h.test/x.zip", unknown = "http://h.test/w.zip";
    f.list->InsertItem(ten, "10");
    f.list->InsertItem(nine, "9");
    f.list->InsertItem(hundred, "100");
    f.list->InsertItem(unknown, "<Unknown>");
    // At first by address, letter case aside.
    QCOMPARE(f.list->Urls(), (CUrls{unknown, hundred, ten, nine}));
    f.Select({ten});

    // Sizes as numbers, not as texts ("100" < "9"); an unknown size before every number.
    ClickHeader(f.list, CFileList::kSizeColumn);
    QCOMPARE(f.list->header()->sortIndicatorSection(), int(CFileList::kSizeColumn));
    QCOMPARE(f.list->Urls(), (CUrls{unknown, nine, ten, hundred}));
    // The selection stays with its file.
    QCOMPARE(f.SelectedUrls(), CUrls{ten});
    // Again: the other way round.
    ClickHeader(f.list, CFileList::kSizeColumn);
    QCOMPARE(f.list->Urls(), (CUrls{hundred, ten, nine, unknown}));

    // Files that arrive, from this thread or a worker's, take their place in that order.
    const std::string fifty = "http://h.test/v.zip", big = "http://h.test/u.zip";
    f.list->InsertItem(fifty, "50");
    std::thread worker([&] { f.list->InsertItem(big, "5000"); });
    worker.join();
    QCoreApplication::processEvents();
    QCOMPARE(f.list->Urls(), (CUrls{big, hundred, fifty, ten, nine, unknown}));
    QCOMPARE(f.SelectedUrls(), CUrls{ten});

    // By name; a size that arrives moves its row when the list is sorted by size.
    // A new column starts upwards, whichever way the last one went.
    ClickHeader(f.list, CFileList::kNameColumn);
    QCOMPARE(f.list->header()->sortIndicatorOrder(), Qt::AscendingOrder);
    QCOMPARE(f.list->Urls(), (CUrls{big, fifty, unknown, hundred, ten, nine}));
    ClickHeader(f.list, CFileList::kSizeColumn);
    QCOMPARE(f.list->header()->sortIndicatorOrder(), Qt::AscendingOrder);
    f.list->Rows().SetSize(f.RowOf(nine), "7000", {});
    QCOMPARE(f.list->Urls(), (CUrls{unknown, ten, fifty, hundred, big, nine}));
    QCOMPARE(f.SelectedUrls(), CUrls{ten});
}

void CFileListTest::namesAreDecodedAndAddressesCopied()
{
    CListFixture f(false);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    const std::string first = "http://h.test/a/my%20file%20%281%29.zip",
                      second = "http://h.test/b/my%20file%20%281%29.zip",
                      third = "http://h.test/c.zip";
    f.AddFiles({third, second, first});

    // The name a download saves under; two files of one name are told apart by their
    // addresses, in their column and in the name's tooltip.
    for (const std::string& url : {first, second})
    {
        QCOMPARE(f.Shown(url, CFileList::kNameColumn), QString("my file (1).zip"));
        QCOMPARE(f.Shown(url, CFileList::kFilesColumn), QString::fromStdString(url));
        QCOMPARE(f.list->ToolTipAt(f.RowOf(url), CFileList::kNameColumn),
                 QString::fromStdString(url));
    }

    // Ctrl+C copies the selected addresses, one a line, top to bottom as shown.
    QGuiApplication::clipboard()->clear();
    ClickHeader(f.list, CFileList::kFilesColumn); // descending: c, b, a
    f.Select({first, third});
    f.list->setFocus();
    QTest::keyClick(f.list, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QString::fromStdString(third + "\n" + first + "\n"));

    // The pop-up menu has it too, enabled with a selection only.
    QGuiApplication::clipboard()->clear();
    f.Select({second});
    QMenu menu;
    menu.addAction(QStringLiteral("Download"));
    f.list->AddOwnActions(&menu);
    QAction* copy = menu.actions().front();
    QCOMPARE(copy->text(), QString("&Copy Address"));
    QVERIFY(copy->isEnabled());
    copy->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(second + "\n"));
    f.list->clearSelection();
    QMenu empty;
    f.list->AddOwnActions(&empty);
    QVERIFY(!empty.actions().front()->isEnabled());
}

void CFileListTest::enterKeepsTheSelection()
{
    CListFixture f(false);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    const std::string d = "http://h.test/d.zip";
    f.AddFiles({a, b, c, d});
    f.list->setFocus();
    f.Select({a, b});
    f.list->selectionModel()->setCurrentIndex(f.list->model()->index(f.RowOf(b), 0),
                                              QItemSelectionModel::NoUpdate);
    QTest::keyClick(f.list, Qt::Key_Return);
    QCOMPARE(f.list->Urls(), (CUrls{c, d}));
    QCOMPARE(f.engine.PendingDownloads(), 2u);
    // Nothing below moved into the selection: a second Enter downloads nothing more.
    QCOMPARE(f.SelectedUrls(), CUrls{});
    QTest::keyClick(f.list, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(f.list->Urls(), (CUrls{c, d}));
    QCOMPARE(f.engine.PendingDownloads(), 2u);
    // The keyboard goes on where the files were.
    QCOMPARE(f.list->currentIndex().row(), 0);
}

void CFileListTest::aMillionFilesStayResponsive()
{
    constexpr int kFiles = 1000000;
    CListFixture f(false);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    // A crawl's threads hand the files over while the window serves its events.
    std::vector<std::string> urls;
    urls.reserve(kFiles);
    for (int i = 0; i < kFiles; ++i)
        urls.push_back("http://h.test/" + std::to_string((i * 7919LL) % kFiles) + ".zip");
    QElapsedTimer timer;
    timer.start();
    std::thread worker(
        [&]
        {
            for (int i = 0; i < kFiles; ++i)
                f.list->InsertItem(urls[i], std::to_string(i % 977));
        });
    qint64 longestTurn = 0;
    QElapsedTimer turn;
    while (f.list->Count() < kFiles)
    {
        turn.start();
        QCoreApplication::processEvents();
        longestTurn = std::max(longestTurn, turn.elapsed());
    }
    worker.join();
    const qint64 filled = timer.restart();
    ClickHeader(f.list, CFileList::kSizeColumn);
    const qint64 sorted = timer.restart();
    f.list->setFocus();
    f.list->SelectAll();
    QTest::keyClick(f.list, Qt::Key_C, Qt::ControlModifier);
    const qint64 copied = timer.restart();
    qInfo("1M files shown in %lld ms (longest turn %lld ms), sorted in %lld ms, copied in %lld ms",
          filled, longestTurn, sorted, copied);
    QCOMPARE(QGuiApplication::clipboard()->text().count(QLatin1Char('\n')), kFiles);
    QCOMPARE(f.list->TextAt(0, CFileList::kSizeColumn), QString("0 bytes"));
    // Generous budgets for an unoptimised build with sanitizers on a shared machine; an
    // item-per-row list needed minutes for the filling alone.
    QVERIFY2(filled < 120000, qPrintable(QString::number(filled)));
    // The window goes on serving clicks and paints while the files pour in (a single turn took
    // ten seconds when every waiting file went in at once).
    QVERIFY2(longestTurn < 5000, qPrintable(QString::number(longestTurn)));
    QVERIFY2(sorted < 60000, qPrintable(QString::number(sorted)));
    QVERIFY2(copied < 60000, qPrintable(QString::number(copied)));
}

QTEST_MAIN(CFileListTest)
#include "file_list_test.moc"
