#include "AppTestSupport.h"
#include "DialogTestSupport.h"
#include "app/CommandIds.h"
#include "app/FileList.h"
#include "app/FindDlg.h"
#include "app/HistoryCombo.h"
#include "app/UrlList.h"
#include "app/WhyDlg.h"
#include "support/FileBytes.h"
#include "support/TestHttpServer.h"
#include "support/WaitFor.h"
#include "url/Url.h"

#include <QCompleter>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidgetItemIterator>
#include <atomic>
#include <functional>
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
    void addSitePutsHandedOverNodesInFirstAndRunsNothingElse();
    void whyExplainsTheSelectedNodeAndATypedUrl();
    void whyKeepsWhatItKnewOfFilesThatLeftTheList();
    void aSiteAddedAgainKeepsItsRoot();
    void anUnreadableStartPageShowsItsError();
};

namespace
{

// Sites /s0/ to /s9/ that all link to /common.html; /slow/ whose page a.html waits until the
// test lets it go.
struct CTreeSite
{
    CTestHttpServer server;
    std::atomic<bool> stalled{false};
    std::atomic<int> commonReads{0};

    CTreeSite()
    {
        Serve("/s[0-9]/", "<a href=\"/common.html\">c</a> <a href=\"f.zip\">f</a>");
        Serve("/common.html", "<a href=\"/deeper.html\">d</a>", [this] { ++commonReads; });
        Serve("/slow/",
              "<a href=\"a.html\">a</a> <a href=\"b.html\">b</a> <a href=\"t.zip\">t</a>");
        Serve("/slow/a.html", "<a href=\"c.html\">c</a> <a href=\"x.zip\">x</a>",
              [this]
              {
                  stalled = true;
                  server.StallUntilReleased();
              });
        Serve("/slow/(b|c).html", "<a href=\"y.zip\">y</a>");
        server.Start();
    }

    void Serve(const char* pattern, std::string html, std::function<void()> before = {})
    {
        server.Server().Get(pattern,
                            [html, before](const httplib::Request&, httplib::Response& response)
                            {
                                if (before)
                                    before();
                                response.set_content(html, "text/html");
                            });
    }
    std::string Url(const std::string& path) const { return server.Url(path); }
};

struct CTreeFixture : CFrameFixture
{
    CRecordingPrompts recorded;
    CUrlList* tree = frame->SiteView();

    CTreeFixture()
    {
        engine.SetPrompts(&recorded);
        QVERIFY(engine.Open("Hvstr152"));
    }
    ~CTreeFixture() { QVERIFY(WaitForBrowses()); }

    // Serves the threads' insertions while it waits.
    bool WaitForBrowses()
    {
        const bool ended = QTest::qWaitFor([this] { return !engine.WorkersRunning(); }, 30000);
        // What the threads handed over last.
        QCoreApplication::processEvents();
        return ended;
    }

    std::vector<QTreeWidgetItem*> NodesOf(const std::string& url) const
    {
        std::vector<QTreeWidgetItem*> nodes;
        for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it)
            if (CUrlList::UrlOf(*it) == url)
                nodes.push_back(*it);
        return nodes;
    }

    // Runs the tree's Find in List with text.
    void Find(const char* text)
    {
        bool singleOnly = false;
        AnswerNextDialog<CFindDlg>(
            [&](CFindDlg& dialog)
            {
                singleOnly = !dialog.FindOneButton()->isEnabled();
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
    // Started from this (the window's) thread while earlier browses hand their nodes over to
    // it: every site must still get its node.
    for (int i = 0; i < kSites; ++i)
        f.engine.BrowseSite(site.Url("/s" + std::to_string(i) + "/"), 0);
    QVERIFY(f.WaitForBrowses());

    QCOMPARE(f.tree->topLevelItemCount(), kSites);
    const auto common = f.NodesOf(site.Url("/common.html"));
    QCOMPARE(common.size(), std::size_t{1});
    QVERIFY(f.engine.RecordState(site.Url("/common.html")).inTree);
    QCOMPARE(f.frame->FileView()->Count(), kSites);

    // Explore the node (the toolbar's command): its page is read, under its own node.
    QCOMPARE(site.commonReads.load(), 0);
    f.tree->setCurrentItem(common[0]);
    f.frame->ExecuteCommand(ID_EXPLORE);
    QVERIFY(f.tree->IsVisited(common[0]));
    QVERIFY(f.engine.RecordState(site.Url("/common.html")).visited);
    QVERIFY(f.WaitForBrowses());
    QCOMPARE(site.commonReads.load(), 1);
    const auto deeper = f.NodesOf(site.Url("/deeper.html"));
    QCOMPARE(deeper.size(), std::size_t{1});
    QCOMPARE(deeper[0]->parent(), common[0]);
}

void CSiteTreeTest::removingASiteWhileItIsBrowsedReleasesItsSubtree()
{
    CTreeSite site;
    CTreeFixture f;
    const std::string start = site.Url("/slow/");
    f.engine.BrowseSite(start, 1); // the whole site
    QVERIFY(QTest::qWaitFor([&] { return site.stalled.load(); }, 20000));
    // The thread's nodes may still wait for this thread's next round of events.
    f.tree->ApplyPendingNodes();
    QTreeWidgetItem* node = f.tree->ItemOf(start);
    QVERIFY(node != nullptr);
    QCOMPARE(node->childCount(), 2);
    f.tree->setCurrentItem(node);

    f.tree->RemoveSelected();
    QCOMPARE(f.tree->topLevelItemCount(), 0);
    for (const char* path : {"/slow/", "/slow/a.html", "/slow/b.html"})
        QVERIFY2(!f.engine.RecordState(site.Url(path)).inTree, path);
    // The thread still holds the page it reads.
    QVERIFY(f.engine.RecordState(site.Url("/slow/a.html")).known);

    site.server.Release();
    QVERIFY(f.WaitForBrowses());
    // Links under the removed nodes are not shown anywhere, and nothing is left over.
    QCOMPARE(f.tree->topLevelItemCount(), 0);
    const std::vector<std::string> files = f.frame->FileView()->Urls();
    QCOMPARE(files, (std::vector<std::string>{site.Url("/slow/t.zip"), site.Url("/slow/x.zip"),
                                              site.Url("/slow/y.zip")}));
    QCOMPARE(f.engine.Statistics().allocatedUrls, std::size_t{3});
}

void CSiteTreeTest::findWalksForwardWithoutWrapping()
{
    CTreeFixture f;
    CUrl a("http://a.test/");
    CUrl a1("http://a.test/1.html");
    CUrl tunes("http://a.test/Tunes.MP3.html");
    CUrl b("http://b.test/mp3/");
    for (const CUrl* page : {&a, &a1, &tunes, &b})
        f.tree->InsertNode(page == &a || page == &b ? "" : a.m_url, page->m_url, false);
    QTreeWidgetItem* aNode = f.tree->ItemOf(a.m_url);
    QTreeWidgetItem* first = f.tree->ItemOf(a1.m_url);
    QTreeWidgetItem* match = f.tree->ItemOf(tunes.m_url);
    QTreeWidgetItem* last = f.tree->ItemOf(b.m_url);
    f.tree->collapseAll();

    struct CCase
    {
        QTreeWidgetItem* from;
        const char* text;
        QTreeWidgetItem* selected;
    };
    const CCase cases[] = {
        {first, "mp3", match},   // letter case does not matter
        {match, "mp3", last},    // on into the next site
        {aNode, "tunes", match}, // collapsed nodes count
        {last, "mp3", last},     // the end: no wrap to the top
        {aNode, "nowhere.test", aNode},
    };
    for (const CCase& c : cases)
    {
        f.tree->setCurrentItem(c.from);
        f.Find(c.text);
        QCOMPARE(f.tree->SelectedItem(), c.selected);
    }
    // The two searches without a match said so.
    const auto messages = f.recorded.Messages();
    QCOMPARE(messages.size(), std::size_t{2});
    QCOMPARE(messages.back().caption, "Harvestor"s);
    QCOMPARE(messages.back().text, "No matching sites found."s);
    QVERIFY(ReadFileBytes(f.dir.File("findsite.dat")).find("mp3") != std::string::npos);
}

void CSiteTreeTest::openingMarksTheNodeVisited()
{
    CTreeFixture f;
    const std::string url = "http://o.test/";
    QVERIFY(f.engine.AddTreePage(url));
    QTreeWidgetItem* node = f.tree->ItemOf(url);
    QVERIFY(!f.tree->IsVisited(node));
    f.tree->setCurrentItem(node);

    // The active pane decides: the tree handles its own Open.
    f.recorded.SetOpenSucceeds(false);
    f.frame->SetActivePane(CMainFrame::kTreePane);
    f.frame->ExecuteCommand(ID_OPEN_SITE);
    QCOMPARE(f.recorded.Opened(), std::vector<std::string>{url});
    QCOMPARE(f.recorded.Messages().size(), std::size_t{1});
    QCOMPARE(f.recorded.Messages()[0].caption, "Harvestor"s);
    QCOMPARE(f.recorded.Messages()[0].text,
             "Could not open " + url + ": no program on this computer is set up to open it.");
    QVERIFY(f.tree->IsVisited(node));
    QVERIFY(f.engine.RecordState(url).visited);

    // Removing the last holder destroys the record.
    f.tree->RemoveSelected();
    QCOMPARE(f.engine.Statistics().allocatedUrls, std::size_t{0});
}

// A browse thread hands its node over without waiting for the window: Add Site puts that node
// in first, and nothing else queued for the window's thread runs inside the command (it never
// serves events while the engine holds the tree's lock).
void CSiteTreeTest::addSitePutsHandedOverNodesInFirstAndRunsNothingElse()
{
    CTreeSite site;
    CTreeFixture f;
    const std::string waiting = site.Url("/waiting.html");
    std::thread worker([&] { QVERIFY(f.engine.AddTreePage(waiting)); });
    worker.join();
    QCOMPARE(f.NodesOf(waiting).size(), std::size_t{0});
    QObject other;
    bool otherRan = false;
    QMetaObject::invokeMethod(
        &other, [&] { otherRan = true; }, Qt::QueuedConnection);
    f.engine.BrowseSite(site.Url("/s0/"), 0);
    QVERIFY(!otherRan);
    QCOMPARE(f.NodesOf(waiting).size(), std::size_t{1});
    QCOMPARE(f.NodesOf(site.Url("/s0/")).size(), std::size_t{1});
    QVERIFY(QTest::qWaitFor([&] { return otherRan; }));
}

void CSiteTreeTest::whyExplainsTheSelectedNodeAndATypedUrl()
{
    CTreeSite site;
    CTreeFixture f;
    f.engine.BrowseSite(site.Url("/s0/"), 0);
    QVERIFY(f.WaitForBrowses());
    const auto common = f.NodesOf(site.Url("/common.html"));
    QCOMPARE(common.size(), std::size_t{1});

    // The selected node is explained at once, from the Site menu's command.
    f.tree->setCurrentItem(common[0]);
    f.frame->SetActivePane(CMainFrame::kTreePane);
    QString shown;
    AnswerNextDialog<CWhyDlg>(
        [&](CWhyDlg& dialog)
        {
            shown = dialog.Answer();
            dialog.reject();
        });
    f.frame->ExecuteCommand(ID_WHY);
    QCOMPARE(shown, QString::fromStdString("Not followed: the directory / is above /s0/, where the "
                                           "link was found, and Follow Parent Sites is off (mode "
                                           "'Find files on Page'). Found on " +
                                           site.Url("/s0/") + "."));

    // Without a selection it asks; the completion offers the URLs met, and a URL that no page
    // led to names the nearest ones.
    f.tree->clearSelection();
    QStringList offered;
    QString typed;
    bool cleared = false;
    AnswerNextDialog<CWhyDlg>(
        [&](CWhyDlg& dialog)
        {
            QVERIFY(dialog.Answer().isEmpty());
            QCompleter* completer = dialog.UrlEdit()->completer();
            completer->setCompletionPrefix(QStringLiteral("f.zip"));
            for (int row = 0; completer->setCurrentRow(row); ++row)
                offered << completer->currentCompletion();
            QTest::keyClicks(dialog.UrlEdit(), QString::fromStdString(site.Url("/s0/g.zip")));
            QTest::keyClick(dialog.UrlEdit(), Qt::Key_Return);
            typed = dialog.Answer();
            // An empty box asks nothing, and keeps no answer that seems to belong to it.
            dialog.UrlEdit()->clear();
            QTest::keyClick(dialog.UrlEdit(), Qt::Key_Return);
            cleared = dialog.Answer().isEmpty();
            dialog.reject();
        });
    f.frame->ExecuteCommand(ID_WHY);
    QVERIFY(cleared);
    QCOMPARE(offered, QStringList{QString::fromStdString(site.Url("/s0/f.zip"))});
    QCOMPARE(typed, QString::fromStdString("Not met in this session: no page that was read links "
                                           "to it. Nearest URLs met: " +
                                           site.Url("/s0/") + ", " + site.Url("/s0/f.zip") + "."));
}

void CSiteTreeTest::whyKeepsWhatItKnewOfFilesThatLeftTheList()
{
    CTreeSite site;
    site.server.Server().Get("/s[0-9]/f.zip",
                             [](const httplib::Request&, httplib::Response& response)
                             { response.set_content("zip", "application/zip"); });
    CTreeFixture f;
    EditOptions(f.engine, [&](COptions& options) { options.m_downloadDir = f.dir.File("dl/"); });
    f.engine.BrowseSite(site.Url("/s0/"), 0);
    f.engine.BrowseSite(site.Url("/s1/"), 0);
    QVERIFY(f.WaitForBrowses());
    const std::string removed = site.Url("/s0/f.zip");
    const std::string downloaded = site.Url("/s1/f.zip");
    const std::string listed = f.engine.WhyAnswer(removed);
    QVERIFY2(listed.starts_with("Listed"), listed.c_str());

    f.engine.ForgetListedFiles({removed});
    QCOMPARE(f.engine.QueueListedFiles({downloaded}), std::vector<bool>{true});
    QVERIFY(QTest::qWaitFor([&] { return !f.engine.WorkersRunning(); }, 30000));
    QVERIFY(!f.engine.RecordState(removed).known);
    QVERIFY(!f.engine.RecordState(downloaded).known);
    QCOMPARE(f.engine.WhyAnswer(removed), listed);
    QCOMPARE(f.engine.WhyAnswer(downloaded), "Listed" +
                                                 listed.substr(6, listed.find(" Found on") - 6) +
                                                 " Found on " + site.Url("/s1/") + ".");
    // Still offered for completion.
    const std::vector<std::string> met = f.engine.UrlsMet();
    QVERIFY(std::ranges::find(met, removed) != met.end());
    QVERIFY(std::ranges::find(met, downloaded) != met.end());
}

void CSiteTreeTest::aSiteAddedAgainKeepsItsRoot()
{
    CTreeSite site;
    site.Serve("/r/", "<a href=\"x.html\">x</a>");
    site.Serve("/r/x.html", "<a href=\"y.html\">y</a>");
    site.Serve("/r/y.html", "");
    CTreeFixture f;
    const std::string start = site.Url("/r/");
    f.engine.BrowseSite(start, 0);
    QVERIFY(f.WaitForBrowses());
    // Another mode reads further: the new pages go under the same root, also when the address
    // is typed another way.
    f.engine.BrowseSite("HTTP://" + start.substr(std::string("http://").size()), 1);
    QVERIFY(f.WaitForBrowses());
    QStringList tree;
    for (QTreeWidgetItemIterator it(f.tree); *it != nullptr; ++it)
        tree << QString::fromStdString(CUrlList::UrlOf(*it)) + " under " +
                    QString::fromStdString(CUrlList::UrlOf((*it)->parent()));
    QCOMPARE(f.tree->topLevelItemCount(), 1);
    QCOMPARE(f.NodesOf(start).size(), std::size_t{1});
    const auto deeper = f.NodesOf(site.Url("/r/y.html"));
    QVERIFY2(deeper.size() == 1, qPrintable(tree.join("; ")));
    QCOMPARE(deeper[0]->parent(), f.NodesOf(start)[0]);
    QCOMPARE(deeper[0]->text(0), QStringLiteral("y.html"));
}

void CSiteTreeTest::anUnreadableStartPageShowsItsError()
{
    CTreeSite site;
    CTreeFixture f;
    const std::string refused = "http://127.0.0.1:9/";
    const std::string missing = site.Url("/nothing/");
    // The refused connection fails at once rather than after its retries.
    EditOptions(f.engine, [](COptions& o) { o.m_connectRetries = 0; });
    f.engine.BrowseSite(refused, 0);
    QVERIFY(f.WaitForBrowses());
    f.frame->DeliverPendingMessages();
    QCOMPARE(f.tree->ImageOf(f.tree->ItemOf(refused)), int(CUrlList::kImageFailed));
    const QString said = f.frame->StatusPaneText(0);
    QVERIFY2(said.startsWith(QString::fromStdString("Could not read " + refused + ": ")) &&
                 said.size() > int(refused.size()) + 17,
             qPrintable(said));

    // An error status says so too; a start page that was read is not an error.
    f.engine.BrowseSite(missing, 0);
    QVERIFY(f.WaitForBrowses());
    f.frame->DeliverPendingMessages();
    QCOMPARE(f.tree->ImageOf(f.tree->ItemOf(missing)), int(CUrlList::kImageFailed));
    QVERIFY2(f.frame->StatusPaneText(0).startsWith(
                 QString::fromStdString("Could not read " + missing + ": ")),
             qPrintable(f.frame->StatusPaneText(0)));
    f.engine.BrowseSite(site.Url("/s2/"), 0);
    QVERIFY(f.WaitForBrowses());
    f.frame->DeliverPendingMessages();
    QCOMPARE(f.tree->ImageOf(f.tree->ItemOf(site.Url("/s2/"))), int(CUrlList::kImageDone));
    QVERIFY(f.tree->IsVisited(f.tree->ItemOf(site.Url("/s2/"))));
    QVERIFY(f.frame->StatusPaneText(0).startsWith(
        QString::fromStdString("Finished " + site.Url("/s2/") + ": 1 page, 1 file")));
    QVERIFY(f.frame->windowTitle().contains("127.0.0.1"));
}

QTEST_MAIN(CSiteTreeTest)
#include "site_tree_test.moc"
