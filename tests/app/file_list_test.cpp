#include "AppTestSupport.h"
#include "DialogTestSupport.h"
#include "app/ExportDlg.h"
#include "app/FileExport.h"
#include "app/FileList.h"
#include "app/FindDlg.h"
#include "app/HistoryCombo.h"
#include "download/DownloadWorkers.h"
#include "support/FileBytes.h"
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
    void doubleClickQueuesTheClickedItem();
    void downloadSelectedQueuesOnlyWhatItCan();
    void removeSelectedReleasesTheRecords();
    void commandsServeAWorkerWaitingWithTheLock();
    void findSelectsMatchesAndMovesTheFocus();
    void determineSizeShowsWhatTheServerSays();
    void openShowsTheFirstSelectedFile();
    void exportPresetsAndFormats();
    void htmlExportEscapesEveryUrl();
};

namespace
{

struct CListFixture : CFrameFixture
{
    CRecordingPrompts recorded;
    CRecordingSink posted;
    CFileList* list = frame->FileView();

    explicit CListFixture(bool headless = true) : CFrameFixture(headless)
    {
        core.SetPrompts(&recorded);
        // The tests read what the list posts instead of letting the window act on it.
        core.m_frame.InstallSink(&posted);
    }

    void AddFiles(std::initializer_list<std::string> urls)
    {
        for (const std::string& url : urls)
            QVERIFY2(core.m_foundFiles.AddLocked(*new CUrl(url)), url.c_str());
    }

    QTreeWidgetItem* ItemOf(const std::string& url) const
    {
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            if (CFileList::UrlOf(list->topLevelItem(i)) == url)
                return list->topLevelItem(i);
        return nullptr;
    }

    void Select(std::initializer_list<std::string> urls)
    {
        list->clearSelection();
        for (const std::string& url : urls)
            ItemOf(url)->setSelected(true);
    }

    std::vector<std::string> SelectedUrls() const
    {
        std::vector<std::string> urls;
        for (QTreeWidgetItem* item : list->SelectedItemsInOrder())
            urls.push_back(CFileList::UrlOf(item));
        return urls;
    }

    std::vector<std::uint32_t> PostedNumbers() const
    {
        std::vector<std::uint32_t> numbers;
        for (const CFrameMessage& message : posted.Messages())
            numbers.push_back(message.message);
        return numbers;
    }
};

const std::vector<std::uint32_t> kQueuedPosts{WM_START_DOWNLOADS, WM_SET_STATUS};

} // namespace

void CFileListTest::doubleClickQueuesTheClickedItem()
{
    CListFixture f(false);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    const std::string a = "http://h.test/a.zip", b = "http://h.test/b.zip";
    f.AddFiles({a, b, "http://h.test/c.zip"});
    f.Select({a});

    const QRect row = f.list->visualItemRect(f.ItemOf(b));
    // A double click arrives after the first click of the pair.
    QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(f.list->viewport(), Qt::LeftButton, {}, row.center());

    // The click selected b alone; b went to the queue with a counted reference.
    QCOMPARE(f.list->Urls(), (std::vector<std::string>{a, "http://h.test/c.zip"}));
    QCOMPARE(f.core.m_downloadQueue.Count(), std::size_t{1});
    CUrl* queued = nullptr;
    QVERIFY(f.core.m_downloadQueue.Pop(queued));
    QCOMPARE(queued->m_url, b);
    QVERIFY(!f.core.m_urlStore.IsInFileList(b));
    QCOMPARE(f.PostedNumbers(), kQueuedPosts);
    QCOMPARE(f.posted.Messages()[1].wParam, STATUS_DOWNLOADS);
    f.core.m_urlStore.Release(CHolder::Counted, b);
    QCOMPARE(f.core.m_urlStore.AllocatedUrls(), 2);
}

void CFileListTest::downloadSelectedQueuesOnlyWhatItCan()
{
    CListFixture f;
    const std::string a = "http://h.test/a.zip", b = "http://h.test/b.zip",
                      c = "http://h.test/c.zip", ghost = "http://h.test/ghost.zip";
    f.AddFiles({a, b, c});
    QVERIFY(f.list->InsertItem(ghost, "")); // shown, but unknown to the store

    // Nothing selected: nothing queued, nothing posted.
    f.list->DownloadSelected();
    QVERIFY(f.posted.Messages().empty());
    QCOMPARE(f.list->topLevelItemCount(), 4);

    // b is in the queue already: the queue refuses it and it stays listed, unselected.
    QVERIFY(QueueForDownload(f.core, *f.core.m_urlStore.Find(b)));
    f.Select({a, b, c, ghost});
    f.list->DownloadSelected();
    QCOMPARE(f.list->Urls(), (std::vector<std::string>{b, ghost}));
    QCOMPARE(f.SelectedUrls(), std::vector<std::string>{ghost});
    QCOMPARE(f.core.m_downloadQueue.Count(), std::size_t{3});
    QCOMPARE(f.PostedNumbers(), kQueuedPosts);
    // Every queued record has exactly the one reference the queue owns.
    CUrl* record = nullptr;
    while (f.core.m_downloadQueue.Pop(record))
        f.core.m_urlStore.Release(CHolder::Counted, record->m_url);
    QCOMPARE(f.core.m_urlStore.AllocatedUrls(), 1);
    QVERIFY(f.core.m_urlStore.IsInFileList(b));
}

void CFileListTest::removeSelectedReleasesTheRecords()
{
    CListFixture f;
    const std::string a = "http://h.test/a.zip", b = "http://h.test/b.zip",
                      c = "http://h.test/c.zip";
    f.AddFiles({a, b, c});
    // A download worker still holds b.
    f.core.m_urlStore.Add(CHolder::Counted, f.core.m_urlStore.Find(b));
    f.Select({a, b});
    f.frame->SetActivePane(CMainFrame::kFilePane);
    f.frame->ExecuteCommand(32786); // Delete on the active pane
    QCOMPARE(f.list->Urls(), std::vector<std::string>{c});
    QCOMPARE(f.core.m_urlStore.AllocatedUrls(), 2);
    QVERIFY(f.core.m_urlStore.Find(a) == nullptr);
    QVERIFY(!f.core.m_urlStore.IsInFileList(b));
    f.core.m_urlStore.Release(CHolder::Counted, b);
    QCOMPARE(f.core.m_urlStore.AllocatedUrls(), 1);
}

void CFileListTest::commandsServeAWorkerWaitingWithTheLock()
{
    CListFixture f;
    const std::string a = "http://h.test/a.zip", late = "http://h.test/late.zip";
    f.AddFiles({a});
    f.Select({a});
    // A browse thread adds a file: it holds the sink's lock while it waits for this thread to
    // insert the item.
    std::atomic<bool> added{false};
    std::thread worker(
        [&]
        {
            f.core.m_foundFiles.AddLocked(*new CUrl(late));
            added = true;
        });
    QVERIFY(WaitFor(
        [&]
        {
            if (!f.core.m_foundFiles.TryLock())
                return true;
            f.core.m_foundFiles.Unlock();
            return false;
        }));
    f.list->DownloadSelected();
    QVERIFY(QTest::qWaitFor([&] { return added.load(); }));
    worker.join();
    QCOMPARE(f.list->Urls(), std::vector<std::string>{late});
    QCOMPARE(f.core.m_downloadQueue.Count(), std::size_t{1});
    CUrl* queued = nullptr;
    QVERIFY(f.core.m_downloadQueue.Pop(queued));
    f.core.m_urlStore.Release(CHolder::Counted, queued->m_url);
}

void CFileListTest::findSelectsMatchesAndMovesTheFocus()
{
    CListFixture f;
    const std::string a = "http://h.test/a.exe", b = "http://h.test/b.mp3",
                      x = "http://h.test/x.zip", z = "http://h.test/z.txt";
    f.AddFiles({a, b, x, z});

    struct CCase
    {
        const char* name;
        std::string focus; // empty: no item has the focus
        bool findAll;
        const char* text;
        std::vector<std::string> selected;
        std::string focusAfter;
    };
    const CCase cases[] = {
        {"all, any letter case", "", true, "ZIP", {x}, z},
        {"one from the top", "", false, "zip", {x}, x},
        {"one after the focus", a, false, ".", {b}, b},
        {"one past the last match", x, false, "zip", {}, z},
        {"one from the last item", z, false, "zip", {}, z},
        {"empty text matches all", b, true, "", {a, b, x, z}, z},
    };
    for (const CCase& c : cases)
    {
        f.Select({a}); // an old selection goes
        if (c.focus.empty())
            f.list->setCurrentItem(nullptr, 0, QItemSelectionModel::NoUpdate);
        else
            f.list->setCurrentItem(f.ItemOf(c.focus), 0, QItemSelectionModel::NoUpdate);
        AnswerNextDialog<CFindDlg>(
            [&](CFindDlg& dialog)
            {
                QVERIFY(dialog.FindAllButton()->isChecked());
                (c.findAll ? dialog.FindAllButton() : dialog.FindOneButton())->click();
                dialog.SearchCombo()->SetText(c.text);
                dialog.accept();
            });
        f.list->FindInList();
        QVERIFY2(f.SelectedUrls() == c.selected, c.name);
        QVERIFY2(CFileList::UrlOf(f.list->currentItem()) == c.focusAfter, c.name);
    }

    // Cancel changes nothing.
    f.Select({a});
    AnswerNextDialog<CFindDlg>([](CFindDlg& dialog) { dialog.reject(); });
    f.list->FindInList();
    QCOMPARE(f.SelectedUrls(), std::vector<std::string>{a});
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
    server.Server().Get("/other.zip",
                        [&](const httplib::Request&, httplib::Response& response)
                        {
                            ++otherRequests;
                            response.set_content("x", "application/zip");
                        });
    server.Start(); // /missing.zip answers 404

    CListFixture f;
    QVERIFY(f.core.OpenSession("Hvstr152"));
    const std::string sized = server.Url("/sized.zip"), nosize = server.Url("/nosize.zip"),
                      missing = server.Url("/missing.zip"), other = server.Url("/other.zip");
    f.AddFiles({sized, nosize, missing, other});
    f.Select({sized, nosize, missing});
    f.frame->SetActivePane(CMainFrame::kFilePane);
    f.frame->ExecuteCommand(32788);

    QCOMPARE(f.ItemOf(sized)->text(CFileList::kSizeColumn), QString("1536"));
    QCOMPARE(f.ItemOf(nosize)->text(CFileList::kSizeColumn), QString("<Unknown>"));
    QCOMPARE(f.ItemOf(missing)->text(CFileList::kSizeColumn), QString());
    QCOMPARE(f.ItemOf(other)->text(CFileList::kSizeColumn), QString());
    QCOMPARE(otherRequests.load(), 0);
    // The failed request is reported in the log only; the activity bar is cleared at the end.
    QVERIFY(f.recorded.Messages().empty());
    const std::string log = ReadFileBytes(f.dir.File("hvstr.log"));
    QVERIFY(log.find("Skipped " + missing + ": HTTP error 404!") != std::string::npos);
    const auto posted = f.posted.Messages();
    QVERIFY(!posted.empty());
    QCOMPARE(posted.back().message, WM_PROGRESS_STEP);
    QCOMPARE(posted.back().wParam, std::int64_t{-1});
}

void CFileListTest::openShowsTheFirstSelectedFile()
{
    CListFixture f;
    const std::string a = "http://h.test/a.zip", b = "http://h.test/b.zip";
    f.AddFiles({a, b});
    f.list->OpenSelected();
    QVERIFY(f.recorded.Opened().empty());

    f.Select({b, a});
    f.recorded.SetOpenSucceeds(false);
    f.list->OpenSelected();
    QCOMPARE(f.recorded.Opened(), std::vector<std::string>{a});
    QCOMPARE(f.recorded.Messages().size(), std::size_t{1});
    QCOMPARE(f.recorded.Messages()[0].caption, "Harvestor"s);
    QCOMPARE(f.recorded.Messages()[0].text, "Failed to load default browser!"s);
}

void CFileListTest::exportPresetsAndFormats()
{
    CListFixture f;
    const std::string a = "http://h.test/a.zip", b = "http://h.test/b.zip";
    f.AddFiles({b, a});
    const std::string txt = f.dir.File("export.txt"), html = f.dir.File("export.html");
    qputenv("HARVESTOR_SITE", "http://maker.test");

    // Runs the export; answer chooses in the dialog. Returns the preset selection.
    auto runExport = [&](int selection, int format, bool ok = true)
    {
        int preset = -1;
        AnswerNextDialog<CExportDlg>(
            [&](CExportDlg& dialog)
            {
                preset = dialog.Selection();
                QCOMPARE(dialog.Format(), int(CExportDlg::kHtmlFormat));
                dialog.SelectionButton(selection)->click();
                dialog.FormatButton(format)->click();
                ok ? dialog.accept() : dialog.reject();
            });
        f.list->Export();
        return preset;
    };

    // Nothing selected: all items are preset; the text file is the URLs in list order.
    QCOMPARE(runExport(CExportDlg::kAllItems, CExportDlg::kTextFormat), int(CExportDlg::kAllItems));
    QCOMPARE(ReadFileBytes(txt), a + "\r\n" + b + "\r\n");
    QCOMPARE(f.recorded.Opened(), std::vector<std::string>{txt});

    // Selected items with none selected: header and footer only, or an empty text file.
    runExport(CExportDlg::kSelectedItems, CExportDlg::kHtmlFormat);
    QCOMPARE(ReadFileBytes(html), BuildHtmlExport({}, "http://maker.test/"));
    runExport(CExportDlg::kSelectedItems, CExportDlg::kTextFormat);
    QCOMPARE(ReadFileBytes(txt), std::string());

    // A selection is preset; Cancel writes and opens nothing.
    f.Select({b});
    std::filesystem::remove(txt);
    const std::size_t openedBefore = f.recorded.Opened().size();
    QCOMPARE(runExport(CExportDlg::kSelectedItems, CExportDlg::kTextFormat, false),
             int(CExportDlg::kSelectedItems));
    QVERIFY(!std::filesystem::exists(txt));
    QCOMPARE(f.recorded.Opened().size(), openedBefore);

    // A file that cannot be created is reported, and nothing is opened.
    std::filesystem::create_directory(txt);
    runExport(CExportDlg::kSelectedItems, CExportDlg::kTextFormat);
    QCOMPARE(f.recorded.Messages().size(), std::size_t{1});
    QCOMPARE(f.recorded.Messages()[0].caption, "Error"s);
    QCOMPARE(f.recorded.Messages()[0].text, "Failed to export data!"s);
    QCOMPARE(f.recorded.Opened().size(), openedBefore);
    qunsetenv("HARVESTOR_SITE");
}

void CFileListTest::htmlExportEscapesEveryUrl()
{
    const std::string hostile = "http://h.test/x.zip?a=1&b=\"><script>x</script>";
    const std::string page = BuildHtmlExport({"http://h.test/a.zip", hostile}, "http://m.test/");
    const std::string expected = "<HTML>\r\n"
                                 "<BODY BGCOLOR=\"#ffffff\" TEXT=\"#000000\" LINK=\"#0000ff\" "
                                 "VLINK=\"#800040\">\r\n"
                                 "<P ALIGN=CENTER>\r\n"
                                 "<BIG><BIG>\r\n"
                                 "Harvestor File Export<BR>\r\n"
                                 "</BIG></BIG>\r\n"
                                 "<A HREF=\"http://m.test/\">m.test/</A><BR>\r\n"
                                 "<P ALIGN=LEFT>\r\n"
                                 "<A HREF=\"http://h.test/a.zip\">http://h.test/a.zip</A><BR>\r\n"
                                 "<A HREF=\"http://h.test/x.zip?a=1&amp;b=&quot;&gt;&lt;script"
                                 "&gt;x&lt;/script&gt;\">http://h.test/x.zip?a=1&amp;b=&quot;&gt;"
                                 "&lt;script&gt;x&lt;/script&gt;</A><BR>\r\n"
                                 "</NOBR></BODY>\r\n"
                                 "</HTML>\r\n";
    QCOMPARE(page, expected);
    QCOMPARE(EscapeHtml("plain/é"), "plain/é"s);
    QCOMPARE(BuildTextExport({hostile}), hostile + "\r\n"); // text is written as it is
}

QTEST_MAIN(CFileListTest)
#include "file_list_test.moc"
