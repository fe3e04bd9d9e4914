#include "AppTestSupport.h"
#include "app/FileList.h"
#include "app/FrameMessageQueue.h"
#include "app/UrlList.h"

#include <QTest>
#include <atomic>
#include <map>
#include <set>
#include <thread>
#include <vector>

// The GUI's ends of the engine's events: the frame-message queue and the tree and the list,
// driven from worker threads while the user-interface thread serves them.
class CTargetsTest : public QObject
{
    Q_OBJECT

private slots:
    void queueDeliversEveryMessageInPostingOrder();
    void workersInsertIntoTreeAndListSorted();
    void removedNodesAreRefusedAsParents();
    void insertionsUnderARemovedNodeAreRefusedAndReleased();
};

void CTargetsTest::queueDeliversEveryMessageInPostingOrder()
{
    constexpr int kThreads = 4;
    constexpr int kPerThread = 500;
    std::map<std::int64_t, std::vector<std::int64_t>> seen;
    int handled = 0;
    CFrameMessageQueue queue(
        [&](CFrameMessage& message)
        {
            const auto& state = std::get<CDownloadStateEvent>(std::get<CEngineEvent>(message));
            seen[state.state].push_back(static_cast<std::int64_t>(state.report.received));
            ++handled;
        });

    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(
            [&queue, t]
            {
                for (int i = 0; i < kPerThread; ++i)
                    queue.OnEvent(
                        CDownloadStateEvent{t, CDownloadReport{{}, {}, {}, std::uint64_t(i)}});
            });
    QVERIFY(QTest::qWaitFor([&] { return handled == kThreads * kPerThread; }, 20000));
    for (std::thread& thread : threads)
        thread.join();

    for (int t = 0; t < kThreads; ++t)
    {
        const std::vector<std::int64_t>& values = seen[t];
        QCOMPARE(int(values.size()), kPerThread);
        for (int i = 0; i < kPerThread; ++i)
            QCOMPARE(values[i], std::int64_t{i});
    }
}

void CTargetsTest::workersInsertIntoTreeAndListSorted()
{
    CFrameFixture f;
    CUrlList* tree = f.frame->SiteView();
    CFileList* list = f.frame->FileView();
    const std::string root = "http://site.test/";
    tree->InsertNode("", root, false);

    constexpr int kThreads = 6;
    constexpr int kPerThread = 40;
    std::atomic<int> done{0};
    std::vector<std::vector<std::string>> pages(kThreads);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
        workers.emplace_back(
            [&, t]
            {
                for (int i = 0; i < kPerThread; ++i)
                {
                    // Mixed case and an order unlike the sorted one.
                    const std::string name = (i % 2 ? "Page" : "page") +
                                             std::to_string((i * 7 + t * 13) % 97) + "_" +
                                             std::to_string(t) + "_" + std::to_string(i);
                    pages[t].push_back(root + name);
                    tree->InsertNode(root, pages[t].back(), false);
                    list->InsertItem("http://site.test/" + name + ".zip", std::to_string(i));
                }
                ++done;
            });
    QVERIFY(QTest::qWaitFor([&] { return done == kThreads; }, 30000));
    for (std::thread& worker : workers)
        worker.join();
    // Handed over without waiting: in once the window's thread serves its events.
    QCoreApplication::processEvents();

    QTreeWidgetItem* rootItem = tree->ItemOf(root);
    QCOMPARE(rootItem->childCount(), kThreads * kPerThread);
    // Each node answers for its URL.
    std::set<QTreeWidgetItem*> unique;
    for (const auto& threadPages : pages)
        for (const std::string& page : threadPages)
        {
            QTreeWidgetItem* item = tree->ItemOf(page);
            QVERIFY(item != nullptr);
            QCOMPARE(item->parent(), rootItem);
            QCOMPARE(CUrlList::UrlOf(item), page);
            unique.insert(item);
        }
    QCOMPARE(int(unique.size()), kThreads * kPerThread);
    for (int i = 1; i < rootItem->childCount(); ++i)
        QVERIFY(rootItem->child(i - 1)->toolTip(0).compare(rootItem->child(i)->toolTip(0),
                                                           Qt::CaseInsensitive) <= 0);

    const std::vector<std::string> urls = list->Urls();
    QCOMPARE(int(urls.size()), kThreads * kPerThread);
    for (std::size_t i = 1; i < urls.size(); ++i)
        QVERIFY(QString::fromStdString(urls[i - 1])
                    .compare(QString::fromStdString(urls[i]), Qt::CaseInsensitive) <= 0);
}

void CTargetsTest::removedNodesAreRefusedAsParents()
{
    CFrameFixture f;
    CUrlList* tree = f.frame->SiteView();
    const std::string site = "http://site.test/";
    const std::string page = "http://site.test/a.html";
    const std::string deeper = "http://site.test/b.html";
    tree->InsertNode("", site, false);
    tree->InsertNode(site, page, false);
    QCOMPARE(tree->ItemOf(page)->parent(), tree->ItemOf(site));
    tree->DeleteNode(tree->ItemOf(site));
    QVERIFY(tree->ItemOf(site) == nullptr);
    QVERIFY(tree->ItemOf(page) == nullptr);

    // The user-interface thread itself is refused at once; the page is given back to the engine
    // once the engine's lock is let go.
    QVERIFY(f.engine.AddTreePage(deeper, page));
    QVERIFY(tree->ItemOf(deeper) == nullptr);
    QCOMPARE(tree->topLevelItemCount(), 0);
    QCoreApplication::processEvents();
    QVERIFY(!f.engine.RecordState(deeper).inTree);
    // The site shown anew takes its pages again.
    tree->InsertNode("", site, false);
    tree->InsertNode(site, page, false);
    QVERIFY(f.engine.AddTreePage(deeper, page));
    QCOMPARE(tree->ItemOf(deeper)->parent(), tree->ItemOf(page));
}

void CTargetsTest::insertionsUnderARemovedNodeAreRefusedAndReleased()
{
    CFrameFixture f;
    CUrlList* tree = f.frame->SiteView();
    const std::string site = "http://site.test/";
    // The removal destroys the record.
    QVERIFY(f.engine.AddTreePage(site));
    tree->setCurrentItem(tree->ItemOf(site));

    // A browse thread hands over pages under the site's node: some are in the tree, some still
    // on their way when the user removes it, some come after. All are taken and all released.
    int handedOver = 0;
    const auto handOver = [&](int from) // ten pages
    {
        std::thread(
            [&]
            {
                for (int i = from; i < from + 10; ++i)
                    handedOver += f.engine.AddTreePage(
                                      "http://site.test/p" + std::to_string(i) + ".htm", site)
                                      ? 1
                                      : 0;
            })
            .join();
    };
    handOver(0);
    QCoreApplication::processEvents();
    QCOMPARE(tree->ItemOf(site)->childCount(), 10);
    handOver(10);
    tree->RemoveSelected(); // the site's record goes with this
    handOver(20);
    QCoreApplication::processEvents();
    QCOMPARE(handedOver, 30);
    QCOMPARE(tree->topLevelItemCount(), 0);
    QCOMPARE(f.engine.Statistics().allocatedUrls, std::size_t{0});
}

QTEST_MAIN(CTargetsTest)
#include "targets_test.moc"
