#include "AppTestSupport.h"
#include "app/ActivityBar.h"
#include "app/CommandIds.h"
#include "app/ElidedLabel.h"
#include "app/EmptyHint.h"
#include "app/FileList.h"
#include "app/PasswordDlg.h"
#include "app/UrlList.h"
#include "support/HeldEngineWork.h"
#include "url/Url.h"

#include <QAction>
#include <QEventLoop>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class CFrameTest : public QObject
{
    Q_OBJECT

private slots:
    void activityBarWrapsAfterHundredPercent();
    void activityBarNeverDrawsOutsideItsPane();
    void statusPanesShowWhatWorkersPost();
    void cancelBrowseFollowsTheLiveBrowsers();
    void commandsFollowTreeAndListState();
    void statisticsToggleShowsCheckMark();
    void toolbarAndMenusFollowTheTable();
    void siteImageChangesOnlyPageNodes();
    void systemCloseClosesTheWindow();
    void workersPromptsAreAnsweredOnTheWindowsThread();
    void statusAndTitleNameThePageReadWithoutWideningTheWindow();
};

void CFrameTest::activityBarWrapsAfterHundredPercent()
{
    CFrameFixture f;
    for (int i = 0; i < 150; ++i)
        f.frame->Messages().OnEvent(CProgressStepEvent{1});
    f.frame->DeliverPendingMessages();
    CActivityBar* bar = f.frame->ActivityBar();
    QCOMPARE(bar->Accumulator(), 50);
    QCOMPARE(bar->FilledWidth(), static_cast<int>(0.5 * bar->BarRect().width()));

    f.frame->Messages().OnEvent(CProgressStepEvent{-1});
    f.frame->DeliverPendingMessages();
    QCOMPARE(bar->Accumulator(), 0);
    QCOMPARE(bar->FilledWidth(), 0);

    // Exactly 100 is a full bar; one more starts again.
    bar->Step(100);
    QCOMPARE(bar->Accumulator(), 100);
    QCOMPARE(bar->FilledWidth(), bar->BarRect().width());
    bar->Step(1);
    QCOMPARE(bar->Accumulator(), 1);
}

void CFrameTest::activityBarNeverDrawsOutsideItsPane()
{
    CActivityBar bar;
    bar.resize(60, 20);
    bar.Step(250); // subtracts 100 once: 150 %
    QCOMPARE(bar.Accumulator(), 150);
    QCOMPARE(bar.FilledWidth(), bar.BarRect().width());
    QCOMPARE(bar.BarRect(), QRect(2, 2, 56, 16));
    bar.Clear();
    bar.Step(-40);
    QCOMPARE(bar.FilledWidth(), 0);
}

void CFrameTest::statusPanesShowWhatWorkersPost()
{
    CFrameFixture f;
    f.frame->Messages().OnEvent(CStatusTextEvent{"Browsing http://a/"});
    f.frame->Messages().OnEvent(CRunningBrowsesEvent{7});
    std::vector<std::unique_ptr<CHeldEngineWork>> workers;
    for (int i = 0; i < 2; ++i)
        workers.push_back(std::make_unique<CHeldEngineWork>(f.engine, EEngineWork::Download));
    f.frame->Messages().OnEvent(CDownloadsChangedEvent{});
    // Kinds that go to the views, not through the queue, change nothing when queued.
    f.frame->Messages().Deliver(CEngineEvent{CFileFoundEvent{"http://a/f.zip", "1 KB"}});
    f.frame->Messages().Deliver(
        CEngineEvent{CPageAddedEvent{"http://a/", "http://a/b.htm", false}});
    // Arrives through the queued wake-up, not only through an explicit drain.
    QVERIFY(QTest::qWaitFor([&] { return f.frame->StatusPaneText(3) == "2"; }));
    QCOMPARE(f.frame->StatusPaneText(0), QString("Browsing http://a/"));
    QCOMPARE(f.frame->StatusPaneText(2), QString("7"));
    QCOMPARE(f.frame->CountersText(), QString("Pages 0 · Files 0 · Crawls 7 · Downloads 2"));
    QCOMPARE(f.engine.Statistics().queuedFiles, 2u);

    f.frame->ActivityBar()->Step(30);
    workers.clear();
    QVERIFY(QTest::qWaitFor([&] { return !f.engine.WorkersRunning(); }, 10000));
    f.frame->Messages().OnEvent(CDownloadsChangedEvent{});
    f.frame->DeliverPendingMessages();
    QCOMPARE(f.frame->StatusPaneText(3), QString("0"));
    QCOMPARE(f.frame->ActivityBar()->Accumulator(), 0);

    // A browse's end shows its summary; one stopped at a bound keeps the stop's text.
    f.frame->Messages().OnEvent(CCrawlStoppedEvent{"Stopped: too many pages"});
    f.frame->Messages().OnEvent(CBrowseFinishedEvent{"http://a/", 3, 1, {}, {}});
    f.frame->DeliverPendingMessages();
    QCOMPARE(f.frame->StatusPaneText(0), QString("Stopped: too many pages"));
    f.frame->Messages().OnEvent(CBrowseFinishedEvent{"http://a/", 3, 1, "3 pages, 1 file", {}});
    f.frame->DeliverPendingMessages();
    QCOMPARE(f.frame->StatusPaneText(0), QString("3 pages, 1 file"));
}

void CFrameTest::cancelBrowseFollowsTheLiveBrowsers()
{
    CFrameFixture f;
    QAction* cancel = f.frame->Action(ID_CANCEL_BROWSE);
    f.frame->UpdateCommandUI();
    QVERIFY(!cancel->isEnabled());
    f.frame->ExecuteCommand(ID_CANCEL_BROWSE);
    QVERIFY(!f.engine.BrowseCancelled()); // disabled commands do nothing

    auto browse = std::make_unique<CHeldEngineWork>(f.engine, EEngineWork::Browse);
    f.frame->UpdateCommandUI();
    QVERIFY(cancel->isEnabled());
    cancel->trigger();
    QVERIFY(f.engine.BrowseCancelled());

    // The status messages show the count; the engine, not the window, clears the flag when the
    // last browse ends (the browse tests see that).
    f.frame->ActivityBar()->Step(40);
    f.frame->Messages().OnEvent(CRunningBrowsesEvent{1});
    f.frame->DeliverPendingMessages();
    QVERIFY(f.engine.BrowseCancelled());
    browse.reset();
    QVERIFY(QTest::qWaitFor([&] { return !f.engine.WorkersRunning(); }, 10000));
    f.frame->Messages().OnEvent(CRunningBrowsesEvent{0});
    f.frame->DeliverPendingMessages();
    f.frame->UpdateCommandUI();
    QVERIFY(!cancel->isEnabled());
    QCOMPARE(f.frame->StatusPaneText(2), QString("0"));
    QCOMPARE(f.frame->ActivityBar()->Accumulator(), 0);

    QAction* cancelDownload = f.frame->Action(ID_CANCEL_DOWNLOAD);
    f.frame->UpdateCommandUI();
    QVERIFY(!cancelDownload->isEnabled());
    const CHeldEngineWork worker(f.engine, EEngineWork::Download);
    f.frame->UpdateCommandUI();
    QVERIFY(cancelDownload->isEnabled());
    cancelDownload->trigger();
    QVERIFY(f.engine.DownloadsCancelled());
}

void CFrameTest::commandsFollowTreeAndListState()
{
    CFrameFixture f;
    const int treeCommands[] = {ID_REMOVE_SITE, ID_OPEN_SITE, ID_MODE1,
                                ID_MODE2,       ID_MODE3,     ID_EXPLORE};
    const int listNotEmpty[] = {ID_FIND_FILE, ID_SELECT_ALL, ID_EXPORT};
    const int listSelection[] = {ID_DOWNLOAD_SELECTED, ID_REMOVE_FILES};
    const int always[] = {ID_ADD_SITE,       ID_VIEW_OPTIONS,  ID_VIEW_STATS,
                          ID_VIEW_DOWNLOADS, ID_HELP_CONTENTS, ID_HELP_TUTORIAL};

    for (int id : treeCommands)
        QVERIFY2(!f.frame->IsCommandEnabled(id), qPrintable(QString::number(id)));
    for (int id : listNotEmpty)
        QVERIFY(!f.frame->IsCommandEnabled(id));
    for (int id : listSelection)
        QVERIFY(!f.frame->IsCommandEnabled(id));
    for (int id : always)
        QVERIFY(f.frame->IsCommandEnabled(id));
    QVERIFY(!f.frame->IsCommandEnabled(ID_FIND_SITE));

    CUrl site("http://site.test/");
    f.frame->SiteView()->InsertNode("", site.m_url, site.IsVisited());
    QVERIFY(f.frame->IsCommandEnabled(ID_FIND_SITE));
    for (int id : treeCommands)
        QVERIFY(!f.frame->IsCommandEnabled(id));
    f.frame->SiteView()->ItemOf(site.m_url)->setSelected(true);
    for (int id : treeCommands)
        QVERIFY(f.frame->IsCommandEnabled(id));

    f.frame->FileView()->InsertItem("http://site.test/b.zip", "12");
    f.frame->FileView()->InsertItem("http://site.test/a.zip", "");
    for (int id : listNotEmpty)
        QVERIFY(f.frame->IsCommandEnabled(id));
    for (int id : listSelection)
        QVERIFY(!f.frame->IsCommandEnabled(id));
    f.frame->ExecuteCommand(ID_SELECT_ALL);
    QCOMPARE(f.frame->FileView()->selectedItems().size(), 2);
    for (int id : listSelection)
        QVERIFY(f.frame->IsCommandEnabled(id));

    // The file list's own commands, and Delete, follow the active pane.
    QVERIFY(!f.frame->IsCommandEnabled(ID_DETERMINE_SIZE));
    QVERIFY(!f.frame->IsCommandEnabled(ID_OPEN_FILE));
    QVERIFY(!f.frame->IsCommandEnabled(ID_REMOVE));
    f.frame->SetActivePane(CMainFrame::kFilePane);
    QVERIFY(f.frame->IsCommandEnabled(ID_DETERMINE_SIZE));
    QVERIFY(f.frame->IsCommandEnabled(ID_OPEN_FILE));
    QVERIFY(f.frame->IsCommandEnabled(ID_REMOVE));
    f.frame->ExecuteCommand(ID_NEXT_PANE); // F6
    QCOMPARE(f.frame->ActivePane(), int(CMainFrame::kTreePane));
    QVERIFY(!f.frame->IsCommandEnabled(ID_OPEN_FILE));
    QVERIFY(f.frame->IsCommandEnabled(ID_REMOVE));
    QVERIFY(f.frame->Action(ID_REMOVE)->shortcuts().contains(QKeySequence(Qt::Key_Delete)));

    // Actions follow once the update runs.
    f.frame->UpdateCommandUI();
    QVERIFY(f.frame->Action(ID_DOWNLOAD_SELECTED)->isEnabled());
    QVERIFY(f.frame->Action(ID_EXPLORE)->isEnabled());
}

void CFrameTest::statisticsToggleShowsCheckMark()
{
    CFrameFixture f(false);
    QAction* stats = f.frame->Action(ID_VIEW_STATS);
    QVERIFY(stats->isCheckable());
    QVERIFY(!stats->isChecked());

    stats->trigger();
    QVERIFY(f.frame->StatsWindow() != nullptr);
    QVERIFY(f.frame->StatsWindow()->isVisible());
    QVERIFY(stats->isChecked());

    stats->trigger();
    QVERIFY(!f.frame->StatsWindow()->isVisible());
    // The object goes when the window's closing message arrives.
    QVERIFY(QTest::qWaitFor([&] { return f.frame->StatsWindow() == nullptr; }));
    f.frame->UpdateCommandUI();
    QVERIFY(!stats->isChecked());

    // Closing the window itself counts the same.
    stats->trigger();
    QVERIFY(f.frame->StatsWindow() != nullptr);
    f.frame->StatsWindow()->close();
    QVERIFY(QTest::qWaitFor([&] { return f.frame->StatsWindow() == nullptr; }));
}

void CFrameTest::toolbarAndMenusFollowTheTable()
{
    CFrameFixture f;
    const int expected[] = {ID_ADD_SITE,
                            ID_EXPLORE,
                            ID_REMOVE_SITE,
                            ID_CANCEL_BROWSE,
                            ID_FIND_SITE,
                            0,
                            ID_DOWNLOAD_SELECTED,
                            ID_REMOVE_FILES,
                            ID_CANCEL_DOWNLOAD,
                            ID_FIND_FILE,
                            ID_EXPORT,
                            ID_VIEW_DOWNLOADS,
                            0,
                            ID_VIEW_OPTIONS,
                            ID_VIEW_STATS};
    const QList<QAction*> buttons = f.frame->ToolBar()->actions();
    QCOMPARE(buttons.size(), int(std::size(expected)));
    int images = 0;
    for (int i = 0; i < buttons.size(); ++i)
    {
        if (expected[i] == 0)
        {
            QVERIFY(buttons[i]->isSeparator());
            continue;
        }
        QCOMPARE(buttons[i], f.frame->Action(expected[i]));
        QVERIFY(!buttons[i]->icon().pixmap(24, 24).isNull());
        ++images;
    }
    QCOMPARE(images, 13);
    QCOMPARE(f.frame->Action(ID_ADD_SITE)->toolTip(), QString("Add Site"));
    QCOMPARE(f.frame->Action(ID_ADD_SITE)->statusTip(), QString("Add a new site to explore."));
    QCOMPARE(f.frame->windowTitle(), QString("Harvestor"));
    // The mode items carry the modes' names instead of their placeholders.
    QCOMPARE(f.frame->Action(ID_MODE2)->text(), QString("Find files on Site"));

    QAction* toolbarToggle = f.frame->Action(ID_VIEW_TOOLBAR);
    QVERIFY(toolbarToggle->isChecked());
    toolbarToggle->trigger();
    QVERIFY(f.frame->ToolBar()->isHidden());
    QVERIFY(!toolbarToggle->isChecked());
    toolbarToggle->trigger();
    QVERIFY(!f.frame->ToolBar()->isHidden());
}

void CFrameTest::siteImageChangesOnlyPageNodes()
{
    CFrameFixture f;
    CUrlList* tree = f.frame->SiteView();
    CUrl site("http://site.test/");
    tree->InsertNode("", site.m_url, site.IsVisited());
    QTreeWidgetItem* node = tree->ItemOf(site.m_url);
    QCOMPARE(tree->ImageOf(node), int(CUrlList::kImageFound));

    f.frame->Messages().OnEvent(
        CPageStateEvent{"http://site.test/", kPageKindPage, kPageImageReading});
    f.frame->DeliverPendingMessages();
    QCOMPARE(tree->ImageOf(node), int(CUrlList::kImageReading));

    f.frame->Messages().OnEvent(
        CPageStateEvent{"http://site.test/", kPageKindFile, kPageImageDone});
    f.frame->Messages().OnEvent(
        CPageStateEvent{"http://other.test/", kPageKindPage, kPageImageDone});
    f.frame->DeliverPendingMessages();
    QCOMPARE(tree->ImageOf(node), int(CUrlList::kImageReading));

    // A removed node's URL no longer names anything.
    tree->DeleteNode(node);
    QVERIFY(!tree->SetPageImage("http://site.test/", 2));
}

void CFrameTest::systemCloseClosesTheWindow()
{
    CFrameFixture f(false);
    f.frame->show();
    QSignalSpy destroyed(f.frame.get(), &CMainFrame::frameDestroyed);
    f.frame->Messages().OnEvent(CWorkDoneEvent{});
    QVERIFY(QTest::qWaitFor([&] { return destroyed.count() == 1; }));
    QVERIFY(!f.frame->isVisible());
    QVERIFY(f.engine.BrowseCancelled());
    QVERIFY(f.engine.DownloadsCancelled());
    // A second close request changes nothing.
    f.frame->Messages().OnEvent(CWorkDoneEvent{});
    f.frame->DeliverPendingMessages();
    QCOMPARE(destroyed.count(), 1);
}

void CFrameTest::workersPromptsAreAnsweredOnTheWindowsThread()
{
    CFrameFixture f(true, true);
    QStringList shown;
    std::atomic<bool> cancel{false};
    f.prompts.SetDialogRunner(
        [&](QDialog& dialog)
        {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog))
            {
                shown << box->windowTitle() + ": " + box->text();
                return int(QMessageBox::Ok);
            }
            auto* login = qobject_cast<CPasswordDlg*>(&dialog);
            if (login == nullptr)
                return int(QDialog::Rejected);
            shown << login->Server() + " " + login->UserName() + "/" + login->Password();
            if (login->UserName() == "left open")
            {
                // The user does not answer; the question must close itself once cancelled.
                QTimer::singleShot(100,
                                   [&]
                                   {
                                       cancel = true;
                                       f.engine.CancelBrowse();
                                   });
                QEventLoop loop;
                bool closed = false;
                QObject::connect(login, &QDialog::finished, &loop,
                                 [&]
                                 {
                                     closed = true;
                                     loop.quit();
                                 });
                QTimer::singleShot(5000, &loop, &QEventLoop::quit);
                loop.exec();
                shown << (closed ? QString("closed by itself") : QString("left open"));
                return login->result();
            }
            login->SetUserName("alice");
            login->SetPassword("s3cret");
            return int(QDialog::Accepted);
        });

    // A message does not hold up the worker that posts it.
    f.frame->Messages().OnEvent(
        CShowMessageEvent{EMessageKind::Error, "Harvestor", "Failed to open /x"});
    CLoginAnswer answer;
    std::atomic<bool> answered{false};
    std::thread worker(
        [&]
        {
            answer = f.engine.AskLogin("files.test", "bob", "old", &cancel);
            answered = true;
        });
    QVERIFY(QTest::qWaitFor([&] { return answered.load(); }));
    worker.join();
    QCOMPARE(shown, (QStringList{"Harvestor: Failed to open /x", "files.test bob/old"}));
    QVERIFY(answer.ok);
    QCOMPARE(answer.userName, std::string("alice"));
    QCOMPARE(answer.password, std::string("s3cret"));

    // A question left open closes itself when its request is cancelled.
    answered = false;
    std::thread unanswered(
        [&]
        {
            answer = f.engine.AskLogin("files.test", "left open", "", &cancel);
            answered = true;
        });
    QVERIFY(QTest::qWaitFor([&] { return answered.load(); }));
    unanswered.join();
    QCOMPARE(shown.last(), QString("closed by itself"));
    QVERIFY(!answer.ok);
    cancel = false;
    shown.removeLast();
    shown.removeLast();

    // A prompt that the window never handles ends as Cancel when the window goes.
    answered = false;
    std::thread waiting(
        [&]
        {
            answer = f.engine.AskLogin("files.test", "bob", "old", &cancel);
            answered = true;
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(50)); // no events are processed
    QVERIFY(!answered.load());
    f.frame.reset();
    waiting.join();
    QVERIFY(!answer.ok);
    QCOMPARE(shown.size(), 2);
}

void CFrameTest::statusAndTitleNameThePageReadWithoutWideningTheWindow()
{
    CFrameFixture f(false);
    f.frame->resize(640, 480);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    QCOMPARE(f.frame->windowTitle(), QString("Harvestor"));
    // An empty tree says how to start; its hint goes with the first site and comes back.
    auto* hint = f.frame->SiteView()->findChild<CEmptyHint*>();
    QVERIFY(hint->isVisible());
    QVERIFY(hint->text().contains("Add"));
    QVERIFY(f.engine.AddTreePage("http://a.test/"));
    QVERIFY(!hint->isVisible());
    f.frame->SiteView()->setCurrentItem(f.frame->SiteView()->ItemOf("http://a.test/"));
    f.frame->SiteView()->RemoveSelected();
    QVERIFY(hint->isVisible());

    // The page being read, not the site the crawl began with; the title names its site.
    f.frame->Messages().OnEvent(CStatusTextEvent{"Browsing http://a.test/"});
    f.frame->Messages().OnEvent(CRunningBrowsesEvent{1});
    f.frame->Messages().OnEvent(
        CPageStateEvent{"http://b.test/deep/page.html", kPageKindPage, kPageImageReading});
    f.frame->DeliverPendingMessages();
    QCOMPARE(f.frame->StatusPaneText(0), QString("Reading http://b.test/deep/page.html"));
    QVERIFY2(f.frame->windowTitle().startsWith("b.test (reading, ") &&
                 f.frame->windowTitle().endsWith(" - Harvestor"),
             qPrintable(f.frame->windowTitle()));

    // A text longer than the bar is cut with an ellipsis; the window keeps its width.
    const std::string longText = "Reading http://b.test/" + std::string(400, 'x') + "/end.html";
    f.frame->Messages().OnEvent(CStatusTextEvent{longText});
    f.frame->DeliverPendingMessages();
    QCOMPARE(f.frame->StatusPaneText(0), QString::fromStdString(longText));
    auto* shown = f.frame->statusBar()->findChild<CElidedLabel*>();
    QVERIFY(shown->ShownText().contains(QChar(0x2026)));
    QVERIFY(shown->ShownText().endsWith("end.html"));
    QCOMPARE(f.frame->width(), 640);
    QVERIFY(f.frame->minimumSizeHint().width() < 640);
}

QTEST_MAIN(CFrameTest)
#include "frame_test.moc"
