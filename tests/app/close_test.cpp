#include "AppTestSupport.h"
#include "app/FileList.h"
#include "app/UrlList.h"
#include "settings/Options.h"
#include "support/TestHttpServer.h"
#include "support/WaitFor.h"
#include "url/Url.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QSplitter>
#include <QTest>
#include <filesystem>
#include <thread>

// Closing the main window: the layout goes into options.dat, and the window waits for the
// workers while still serving their insertions into the tree and the list.
class CCloseTest : public QObject
{
    Q_OBJECT

private slots:
    void closeSavesTheLayout();
    void closeWaitsForBrowsersServingTreeInsertions();
    void maximisedWindowKeepsItsNormalPlacement();
    void quitDuringARealDownloadAsksThenKeepsWhatCame();
};

void CCloseTest::closeSavesTheLayout()
{
    CFrameFixture f(false);
    f.frame->show();
    f.frame->setGeometry(30, 40, 700, 500);
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    f.frame->Splitter()->setSizes({180, 500});
    f.frame->FileView()->setColumnWidth(CFileList::kSizeColumn, 77);
    // The Files column fills what the Size column leaves.
    const int filesWidth = f.frame->FileView()->columnWidth(CFileList::kFilesColumn);
    const int treeWidth = f.frame->Splitter()->sizes().front();
    const QRect placement = f.frame->geometry();

    f.frame->close();
    COptions saved(f.dir.Path());
    QVERIFY(saved.Load());
    QCOMPARE(saved.m_windowLeft, placement.x());
    QCOMPARE(saved.m_windowTop, placement.y());
    QCOMPARE(saved.m_windowWidth, placement.width());
    QCOMPARE(saved.m_windowHeight, placement.height());
    QVERIFY(!saved.m_windowMaximized);
    QCOMPARE(saved.m_treeWidth, treeWidth);
    QCOMPARE(saved.m_filesColumnWidth, filesWidth);
    QCOMPARE(saved.m_sizeColumnWidth, 77);
}

void CCloseTest::closeWaitsForBrowsersServingTreeInsertions()
{
    CFrameFixture f;
    for (int i = 0; i < 2; ++i)
    {
        QVERIFY(f.engine.StartCountedWork(
            EEngineWork::Browse,
            [&f, i](std::stop_token)
            {
                WaitFor([&f] { return f.engine.BrowseCancelled(); });
                CUrl page("http://site.test/page" + std::to_string(i));
                f.frame->SiteView()->InsertNode("", page.m_url, page.IsVisited());
            }));
    }
    f.frame->close();
    QCOMPARE(f.frame->SiteView()->topLevelItemCount(), 2);
    QCOMPARE(f.engine.RunningBrowses(), 0u);
    QVERIFY(!f.engine.WorkersRunning());
}

void CCloseTest::maximisedWindowKeepsItsNormalPlacement()
{
    CFrameFixture f(false);
    f.frame->setGeometry(30, 40, 700, 500);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    const QRect normal = f.frame->geometry();
    f.frame->showMaximized();
    if (!QTest::qWaitFor([&] { return f.frame->isMaximized(); }))
        QSKIP("the platform cannot maximise windows");
    f.frame->close();

    COptions saved(f.dir.Path());
    QVERIFY(saved.Load());
    QVERIFY(saved.m_windowMaximized);
    QCOMPARE(
        QRect(saved.m_windowLeft, saved.m_windowTop, saved.m_windowWidth, saved.m_windowHeight),
        normal);
}

void CCloseTest::quitDuringARealDownloadAsksThenKeepsWhatCame()
{
    CTestHttpServer server;
    std::atomic<bool> streaming{false};
    std::atomic<bool> stop{false};
    server.Server().Get("/big.iso",
                        [&](const httplib::Request&, httplib::Response& response)
                        {
                            // A version a later download can go on from.
                            response.set_header("ETag", "\"v1\"");
                            response.set_chunked_content_provider(
                                "application/octet-stream",
                                [&](std::size_t, httplib::DataSink& sink)
                                {
                                    const std::string block(16 * 1024, 'x');
                                    streaming = true;
                                    while (!stop && sink.is_writable())
                                    {
                                        if (!sink.write(block.data(), block.size()))
                                            return false;
                                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                                    }
                                    sink.done();
                                    return true;
                                });
                        });
    server.Server().Get("/.*\\.zip", [](const httplib::Request&, httplib::Response& response)
                        { response.set_content("zip", "application/zip"); });
    server.Start();

    CFrameFixture f(true, true);
    QStringList asked;
    bool quit = false;
    f.prompts.SetDialogRunner(
        [&](QDialog& dialog)
        {
            auto* box = qobject_cast<QMessageBox*>(&dialog);
            if (box == nullptr)
                return int(QDialog::Rejected);
            asked << box->text();
            for (QAbstractButton* button : box->buttons())
                if (box->buttonRole(button) ==
                    (quit ? QMessageBox::AcceptRole : QMessageBox::RejectRole))
                    button->click();
            return box->result();
        });
    EditOptions(f.engine,
                [&](COptions& o)
                {
                    o.m_downloadDir = f.dir.File("dl") + "/";
                    o.m_downloadThreads = 1;
                });
    QVERIFY(f.engine.Open("Hvstr152"));
    // Last in, first out: the big file goes first and keeps the one worker busy.
    QVERIFY(f.engine.RetryDownloads(
        {server.Url("/a.zip"), server.Url("/b.zip"), server.Url("/big.iso")}));
    QVERIFY(QTest::qWaitFor([&] { return streaming.load(); }, 20000));
    QCOMPARE(f.engine.RunningDownloads(), 1u);

    // Cancel: nothing stops.
    QVERIFY(!f.frame->close());
    QVERIFY(!f.frame->IsClosing());
    QCOMPARE(f.engine.RunningDownloads(), 1u);
    quit = true;
    QVERIFY(f.frame->close());
    QCOMPARE(asked, (QStringList{"3 files are still being downloaded.",
                                 "3 files are still being downloaded."}));
    stop = true;
    QCOMPARE(f.engine.RunningDownloads(), 0u);
    QVERIFY(!f.engine.WorkersRunning());
    const std::vector<std::string> listed = f.frame->FileView()->Urls();
    for (const char* path : {"/a.zip", "/b.zip"})
        QVERIFY2(std::find(listed.begin(), listed.end(), server.Url(path)) != listed.end(), path);
    // What came of the big file is kept for a later download to go on from.
    bool kept = false;
    for (const auto& entry : std::filesystem::directory_iterator(f.dir.File("dl")))
        kept |= entry.is_regular_file() && entry.file_size() > 0;
    QVERIFY(kept);
    COptions saved(f.dir.Path());
    QVERIFY(saved.Load());
}

QTEST_MAIN(CCloseTest)
#include "close_test.moc"
