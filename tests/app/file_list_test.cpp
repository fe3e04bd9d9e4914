#include "AppTestSupport.h"
#include "DialogTestSupport.h"
#include "app/ActivityBar.h"
#include "app/ExportDlg.h"
#include "app/FileList.h"
#include "app/FindDlg.h"
#include "app/HistoryCombo.h"
#include "settings/FileExport.h"
#include "support/FileBytes.h"
#include "support/RecordingObserver.h"
#include "support/TestHttpServer.h"
#include "support/WaitFor.h"

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
    QTreeWidgetItem* ItemOf(const std::string& url) const
    {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (CFileList::UrlOf(list->topLevelItem(i)) == url)
                return list->topLevelItem(i);
        return nullptr;
    }
    void Select(const CUrls& urls)
    {
        list->clearSelection();
        for (const std::string& url : urls)
            ItemOf(url)->setSelected(true);
    }
    CUrls SelectedUrls() const
    {
        CUrls urls;
        for (QTreeWidgetItem* item : list->SelectedItemsInOrder())
            urls.push_back(CFileList::UrlOf(item));
        return urls;
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
    const QPoint row = f.list->visualItemRect(f.ItemOf(b)).center();
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
    QCOMPARE(f.list->topLevelItemCount(), 0);
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
        f.list->setCurrentItem(test.focus.empty() ? nullptr : f.ItemOf(test.focus), 0,
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
        QCOMPARE(CFileList::UrlOf(f.list->currentItem()), test.focusAfter);
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

    QCOMPARE(CFileList::SizeTextOf(f.ItemOf(sized)), QString("1536"));
    QCOMPARE(f.ItemOf(sized)->text(CFileList::kSizeColumn), QString("1.5 KB"));
    QCOMPARE(f.ItemOf(sized)->toolTip(CFileList::kSizeColumn), QLocale().toString(1536) + " bytes");
    QCOMPARE(f.ItemOf(nosize)->text(CFileList::kSizeColumn), QString("<Unknown>"));
    QCOMPARE(f.ItemOf(missing)->text(CFileList::kSizeColumn), QString());
    QCOMPARE(otherRequests.load(), 0);
    // A failed request is reported in the log only; the activity bar is cleared at the end.
    QVERIFY(f.recorded.Messages().empty());
    QVERIFY(ReadFileBytes(f.dir.File("hvstr.log")).find("Skipped " + missing) != std::string::npos);
    f.frame->DeliverPendingMessages();
    QCOMPARE(f.frame->ActivityBar()->Accumulator(), 0);
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

QTEST_MAIN(CFileListTest)
#include "file_list_test.moc"
