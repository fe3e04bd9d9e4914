#include "AppTestSupport.h"
#include "DialogTestSupport.h"
#include "app/AddSite.h"
#include "app/CommandIds.h"
#include "app/FileList.h"
#include "app/FindDlg.h"
#include "app/HistoryCombo.h"
#include "app/UrlList.h"
#include "support/FileBytes.h"
#include "support/TestHttpServer.h"

#include <QRadioButton>
#include <QTest>
#include <QTreeWidgetItemIterator>
#include <atomic>
#include <semaphore>
#include <thread>

using namespace std::string_literals;

// The site tree's commands on a main window, with real browse threads against 127.0.0.1.
class CSiteTreeTest : public QObject
{
    Q_OBJECT

private slots:
    void samePageFromManyThreadsGivesOneNode();
    void removingASiteWhileItIsBrowsedReleasesItsSubtree();
    void findWalksForwardWithoutWrapping();
    void openingMarksTheNodeVisited();
};

namespace
{

const QColor kGrey(128, 128, 128);

// Sites /s0/ to /s9/ that all link to /common.html; /slow/ whose first page waits until the
// test lets it go.
class CTreeSite
{
public:
    CTreeSite()
    {
        auto& server = m_server.Server();
        server.Get("/s([0-9])/",
                   [](const httplib::Request& request, httplib::Response& response)
                   {
                       const std::string n = request.matches[1];
                       response.set_content("<a href=\"/common.html\">c</a> <a href=\"f" + n +
                                                ".zip\">f</a>",
                                            "text/html");
                   });
        server.Get("/common.html",
                   [this](const httplib::Request&, httplib::Response& response)
                   {
                       ++m_commonReads;
                       response.set_content("<a href=\"/deeper.html\">d</a>", "text/html");
                   });
        server.Get("/slow/",
                   [](const httplib::Request&, httplib::Response& response)
                   {
                       response.set_content("<a href=\"a.html\">a</a> <a href=\"b.html\">b</a> "
                                            "<a href=\"top.zip\">t</a>",
                                            "text/html");
                   });
        server.Get("/slow/a.html",
                   [this](const httplib::Request&, httplib::Response& response)
                   {
                       m_stalled = true;
                       m_server.StallUntilReleased();
                       response.set_content("<a href=\"c.html\">c</a> <a href=\"x.zip\">x</a>",
                                            "text/html");
                   });
        server.Get("/slow/(b|c).html", [](const httplib::Request&, httplib::Response& response)
                   { response.set_content("<a href=\"y.zip\">y</a>", "text/html"); });
        m_server.Start();
    }

    std::string Url(const std::string& path) const { return m_server.Url(path); }
    void Release() { m_server.Release(); }
    bool IsStalled() const { return m_stalled.load(); }
    int CommonReads() const { return m_commonReads.load(); }

private:
    CTestHttpServer m_server;
    std::atomic<bool> m_stalled{false};
    std::atomic<int> m_commonReads{0};
};

struct CTreeFixture : CFrameFixture
{
    CRecordingPrompts recorded;
    CUrlList* tree = frame->SiteView();

    CTreeFixture()
    {
        core.SetPrompts(&recorded);
        QVERIFY(core.OpenSession("Hvstr152"));
    }
    ~CTreeFixture() { QVERIFY(WaitForBrowses()); }

    // Serves the threads' insertions while it waits.
    bool WaitForBrowses()
    {
        return QTest::qWaitFor(
            [this] { return core.m_runningBrowses.load() == 0 && core.m_liveBrowsers.load() == 0; },
            30000);
    }

    std::vector<QTreeWidgetItem*> NodesOf(const std::string& url) const
    {
        std::vector<QTreeWidgetItem*> nodes;
        for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it)
            if (CUrlList::UrlOf(*it) == url)
                nodes.push_back(*it);
        return nodes;
    }

    // Runs the tree's Find in List with text; Cancel when text is null.
    void Find(const char* text)
    {
        bool singleOnly = false;
        AnswerNextDialog<CFindDlg>(
            [&](CFindDlg& dialog)
            {
                singleOnly = !dialog.FindOneButton()->isEnabled();
                if (text == nullptr)
                    return dialog.reject();
                dialog.SearchCombo()->SetText(text);
                dialog.accept();
            });
        tree->FindInList();
        QVERIFY(singleOnly);
    }
};

} // namespace

void CSiteTreeTest::samePageFromManyThreadsGivesOneNode()
{
    CTreeSite site;
    CTreeFixture f;
    constexpr int kSites = 10;
    // Started from a thread of their own: from this thread, a site's own insertion could time
    // out on the tree's lock while a browse thread holds it and waits for this thread.
    std::atomic<bool> started{false};
    std::thread starter(
        [&]
        {
            for (int i = 0; i < kSites; ++i)
                AddAndBrowseSite(f.core, site.Url("/s" + std::to_string(i) + "/"), 0);
            started = true;
        });
    QVERIFY(QTest::qWaitFor([&] { return started.load(); }, 30000));
    starter.join();
    QVERIFY(f.WaitForBrowses());

    QCOMPARE(f.tree->topLevelItemCount(), kSites);
    const auto common = f.NodesOf(site.Url("/common.html"));
    QCOMPARE(common.size(), std::size_t{1});
    QVERIFY(f.core.m_urlStore.IsInTree(site.Url("/common.html")));
    QCOMPARE(f.frame->FileView()->topLevelItemCount(), kSites);
    // Roots stand sorted.
    for (int i = 1; i < kSites; ++i)
        QVERIFY(f.tree->topLevelItem(i - 1)->text(0) < f.tree->topLevelItem(i)->text(0));

    // Explore the node (the toolbar's command): its page is read, under its own node.
    QCOMPARE(site.CommonReads(), 0);
    f.tree->setCurrentItem(common[0]);
    f.frame->ExecuteCommand(ID_EXPLORE);
    QCOMPARE(common[0]->foreground(0).color(), kGrey);
    QVERIFY(f.core.m_urlStore.Find(site.Url("/common.html"))->IsVisited());
    QVERIFY(f.WaitForBrowses());
    QCOMPARE(site.CommonReads(), 1);
    const auto deeper = f.NodesOf(site.Url("/deeper.html"));
    QCOMPARE(deeper.size(), std::size_t{1});
    QCOMPARE(deeper[0]->parent(), common[0]);
}

void CSiteTreeTest::removingASiteWhileItIsBrowsedReleasesItsSubtree()
{
    CTreeSite site;
    CTreeFixture f;
    const std::string start = site.Url("/slow/");
    AddAndBrowseSite(f.core, start, 1); // the whole site
    QVERIFY(QTest::qWaitFor([&] { return site.IsStalled(); }, 20000));
    QTreeWidgetItem* node = f.tree->ItemOf(f.tree->NodeOfUrl(start));
    QVERIFY(node != nullptr);
    QCOMPARE(node->childCount(), 2);
    f.tree->setCurrentItem(node);

    // While a browse thread holds the tree's lock, nothing is removed.
    std::binary_semaphore locked{0};
    std::binary_semaphore done{0};
    std::thread holder(
        [&]
        {
            CSinkLock lock(f.core.m_sites);
            locked.release();
            done.acquire();
        });
    locked.acquire();
    f.tree->RemoveSelected();
    done.release();
    holder.join();
    QCOMPARE(f.tree->topLevelItemCount(), 1);

    f.tree->RemoveSelected();
    QCOMPARE(f.tree->topLevelItemCount(), 0);
    for (const char* path : {"/slow/", "/slow/a.html", "/slow/b.html"})
        QVERIFY2(!f.core.m_urlStore.IsInTree(site.Url(path)), path);
    // The thread still holds the page it reads.
    QVERIFY(f.core.m_urlStore.Find(site.Url("/slow/a.html")) != nullptr);

    site.Release();
    QVERIFY(f.WaitForBrowses());
    // Links under the removed nodes are not shown anywhere, and nothing is left over.
    QCOMPARE(f.tree->topLevelItemCount(), 0);
    const std::vector<std::string> files = f.frame->FileView()->Urls();
    QCOMPARE(files, (std::vector<std::string>{site.Url("/slow/top.zip"), site.Url("/slow/x.zip"),
                                              site.Url("/slow/y.zip")}));
    QCOMPARE(f.core.m_urlStore.AllocatedUrls(), 3);
    const std::string log = ReadFileBytes(f.dir.File("hvstr.log"));
    QVERIFY(log.find("Finished browsing " + site.Url("/slow/c.html")) != std::string::npos);
}

void CSiteTreeTest::findWalksForwardWithoutWrapping()
{
    CTreeFixture f;
    CUrl a("http://a.test/");
    CUrl a1("http://a.test/1.html");
    CUrl tunes("http://a.test/Tunes.MP3.html");
    CUrl b("http://b.test/mp3/");
    const CTreeNodeId aNode = f.tree->InsertNode(kNoTreeNode, a);
    QTreeWidgetItem* first = f.tree->ItemOf(f.tree->InsertNode(aNode, a1));
    QTreeWidgetItem* match = f.tree->ItemOf(f.tree->InsertNode(aNode, tunes));
    QTreeWidgetItem* last = f.tree->ItemOf(f.tree->InsertNode(kNoTreeNode, b));
    f.tree->collapseAll();

    struct CCase
    {
        QTreeWidgetItem* from;
        const char* text;
        QTreeWidgetItem* selected;
    };
    const CCase cases[] = {
        {first, "mp3", match},                   // letter case does not matter
        {match, "mp3", last},                    // on into the next site
        {f.tree->ItemOf(aNode), "tunes", match}, // collapsed nodes count
        {last, "mp3", last},                     // the end: no wrap to the top
        {f.tree->ItemOf(aNode), "nowhere.test", f.tree->ItemOf(aNode)},
    };
    std::size_t expectedMessages = 0;
    for (const CCase& c : cases)
    {
        f.tree->setCurrentItem(c.from);
        f.Find(c.text);
        QCOMPARE(f.tree->SelectedItem(), c.selected);
        if (c.selected == c.from)
            ++expectedMessages;
        QCOMPARE(f.recorded.Messages().size(), expectedMessages);
    }
    const auto messages = f.recorded.Messages();
    QCOMPARE(messages.back().caption, "Harvestor"s);
    QCOMPARE(messages.back().text, "No matching sites found."s);

    // Without a selection nothing is searched; Cancel searches nothing either.
    f.tree->clearSelection();
    f.Find("mp3");
    QCOMPARE(f.recorded.Messages().size(), expectedMessages + 1);
    QVERIFY(f.tree->SelectedItem() == nullptr);
    f.tree->setCurrentItem(first);
    f.Find(nullptr);
    QCOMPARE(f.tree->SelectedItem(), first);
    QCOMPARE(f.recorded.Messages().size(), expectedMessages + 1);
    QVERIFY(ReadFileBytes(f.dir.File("findsite.dat")).find("mp3") != std::string::npos);
}

void CSiteTreeTest::openingMarksTheNodeVisited()
{
    CTreeFixture f;
    const std::string url = "http://o.test/";
    QVERIFY(f.core.m_sites.AddLocked(*new CUrl(url)));
    QTreeWidgetItem* node = f.tree->ItemOf(f.tree->NodeOfUrl(url));
    QVERIFY(node->foreground(0).color() != kGrey);
    f.tree->setCurrentItem(node);

    // The active pane decides: the tree handles its own Open.
    f.recorded.SetOpenSucceeds(false);
    f.frame->SetActivePane(CMainFrame::kTreePane);
    f.frame->ExecuteCommand(ID_OPEN_SITE);
    QCOMPARE(f.recorded.Opened(), std::vector<std::string>{url});
    QCOMPARE(f.recorded.Messages().size(), std::size_t{1});
    QCOMPARE(f.recorded.Messages()[0].caption, "Harvestor"s);
    QCOMPARE(f.recorded.Messages()[0].text, "Failed to load default browser!"s);
    QCOMPARE(node->foreground(0).color(), kGrey);
    QVERIFY(f.core.m_urlStore.Find(url)->IsVisited());

    // A browser that starts is no message.
    f.recorded.SetOpenSucceeds(true);
    f.tree->OpenSelected();
    QCOMPARE(f.recorded.Messages().size(), std::size_t{1});

    // Removing the last holder destroys the record.
    f.tree->RemoveSelected();
    QCOMPARE(f.core.m_urlStore.AllocatedUrls(), 0);
}

QTEST_MAIN(CSiteTreeTest)
#include "site_tree_test.moc"
