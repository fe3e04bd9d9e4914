#include "AppTestSupport.h"
#include "app/FileList.h"
#include "app/UrlList.h"
#include "settings/Options.h"
#include "support/WaitFor.h"

#include <QSplitter>
#include <QTest>
#include <thread>

// Closing the main window: the layout goes into options.dat, and the window waits for the
// workers while still serving their insertions into the tree and the list.
class CCloseTest : public QObject
{
    Q_OBJECT

private slots:
    void closeWaitsForDownloadWorkersAndSavesLayout();
    void closeWaitsForBrowsersServingTreeInsertions();
    void maximisedWindowKeepsItsNormalPlacement();
};

void CCloseTest::closeWaitsForDownloadWorkersAndSavesLayout()
{
    CFrameFixture f(false);
    f.frame->show();
    f.frame->setGeometry(30, 40, 700, 500);
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    f.frame->Splitter()->setSizes({180, 500});
    f.frame->FileView()->setColumnWidth(CFileList::kFilesColumn, 321);
    f.frame->FileView()->setColumnWidth(CFileList::kSizeColumn, 77);
    const int treeWidth = f.frame->Splitter()->sizes().front();
    const QRect placement = f.frame->geometry();

    // A "large download": the worker runs until it sees the cancel flag, then returns its
    // file to the list (a blocking call into the user-interface thread) and ends.
    f.core.m_runningDownloads = 1;
    std::thread worker(
        [&f]
        {
            WaitFor([&f] { return f.core.m_cancelDownload.load(); });
            f.core.m_foundFiles.SetTarget(f.frame->FileView());
            f.frame->FileView()->InsertItem("http://site.test/big.iso", "");
            f.core.m_runningDownloads = 0;
        });
    f.frame->close();
    worker.join();

    QCOMPARE(f.frame->FileView()->Urls(), std::vector<std::string>{"http://site.test/big.iso"});
    COptions saved(f.dir.Path());
    QVERIFY(saved.Load());
    QCOMPARE(saved.m_windowLeft, placement.x());
    QCOMPARE(saved.m_windowTop, placement.y());
    QCOMPARE(saved.m_windowWidth, placement.width());
    QCOMPARE(saved.m_windowHeight, placement.height());
    QVERIFY(!saved.m_windowMaximized);
    QCOMPARE(saved.m_treeWidth, treeWidth);
    QCOMPARE(saved.m_filesColumnWidth, 321);
    QCOMPARE(saved.m_sizeColumnWidth, 77);
}

void CCloseTest::closeWaitsForBrowsersServingTreeInsertions()
{
    CFrameFixture f;
    f.core.m_liveBrowsers = 2;
    std::thread browsers[2];
    for (int i = 0; i < 2; ++i)
    {
        browsers[i] = std::thread(
            [&f, i]
            {
                WaitFor([&f] { return f.core.m_cancelBrowse.load(); });
                CUrl page("http://site.test/page" + std::to_string(i));
                f.frame->SiteView()->InsertNode(kNoTreeNode, page);
                --f.core.m_liveBrowsers;
            });
    }
    f.frame->close();
    for (std::thread& browser : browsers)
        browser.join();
    QCOMPARE(f.frame->SiteView()->topLevelItemCount(), 2);
    QCOMPARE(f.core.m_liveBrowsers.load(), 0);
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

QTEST_MAIN(CCloseTest)
#include "close_test.moc"
