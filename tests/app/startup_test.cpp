#include "AppTestSupport.h"
#include "LocalSite.h"
#include "app/CommandIds.h"
#include "app/FileList.h"
#include "app/GuiSeams.h"
#include "app/TrawlerApp.h"
#include "app/UrlList.h"
#include "net/InternetSession.h"
#include "net/TransferContext.h"
#include "settings/Histories.h"
#include "settings/Options.h"

#include <QSettings>
#include <QSplitter>
#include <QTest>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

// Runs start-up with the given arguments and records its modal steps in order.
struct CStartup
{
    CScratchDir dir;
    std::unique_ptr<CEngine> state;
    std::unique_ptr<CTrawlerApp> app;
    QStringList steps;
    bool offerUpgrade = false;
    bool sessionAtAbout = false;
    bool historiesAtUpgrade = false;

    void Prepare()
    {
        state = std::make_unique<CEngine>(dir.Path(), dir.File("hvstr.log"));
        app = std::make_unique<CTrawlerApp>(*state);
        app->Prompts().SetDialogRunner([](QDialog&) { return 0; });
        app->Steps().showAbout = [this](QWidget*)
        {
            steps << "about";
            sessionAtAbout = state->TransferContext() != nullptr;
        };
        app->Steps().runUpgradeCheck = [this](QWidget*, CEngine& appEngine)
        {
            steps << "upgrade";
            historiesAtUpgrade = appEngine.PageHistoryCount() > 0;
            return offerUpgrade;
        };
        app->Steps().promptForSite = [this](CMainFrame&) { steps << "prompt"; };
    }

    bool Init(std::vector<std::string> arguments)
    {
        if (app == nullptr)
            Prepare();
        arguments.insert(arguments.begin(), "harvestor");
        std::vector<const char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(argument.c_str());
        return app->InitInstance(static_cast<int>(argv.size()), argv.data());
    }

    void Finish()
    {
        app->CloseMainFrame();
        app->ExitInstance();
    }

    QStringList RootNodes() const
    {
        QStringList texts;
        CUrlList* tree = app->MainFrame()->SiteView();
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            texts << tree->topLevelItem(i)->text(0);
        return texts;
    }
};

void WriteUrlHistory(const CScratchDir& dir)
{
    CTSList history;
    history.Add("http://old.test/", CCalendarTime{});
    history.Save(kUrlHistoryFileName, dir.Path());
}

} // namespace

class CStartupTest : public QObject
{
    Q_OBJECT

private slots:
    void noArgumentsRunsEveryStepInOrder();
    void optionsShapeTheWindowBeforeItShows();
    void minimizeSuppressesTheSitePrompt();
    void upgradeOfferSkipsPromptAndSites();
    void commandLineSitesGoIntoTheTree();
    void termWithSitesClosesWhenNothingRuns();
    void hideWithoutSiteEndsAndKeepsHistories();
    void hiddenUnattendedRunCrawlsAndSaves();
    void termRunWithADisplayStartsWithoutTheAboutBox();
    void windowCreatedOptionsDownloadIntoTheUserFolder();
};

void CStartupTest::noArgumentsRunsEveryStepInOrder()
{
    CStartup s;
    WriteUrlHistory(s.dir);
    QVERIFY(s.Init({}));
    QCOMPARE(s.steps, (QStringList{"about", "upgrade", "prompt"}));
    QVERIFY(s.sessionAtAbout);
    QVERIFY(s.historiesAtUpgrade);
    QCOMPARE(s.state->TransferContext()->session.Agent(), std::string("Hvstr152"));
    QVERIFY(s.app->MainFrame()->isVisible());
    QCOMPARE(QSettings().value("General/workdir").toString(), QString::fromStdString(s.dir.Path()));
    QVERIFY(!s.state->Options()->m_terminateWhenDone);
    s.Finish();
    QVERIFY(std::filesystem::exists(s.dir.File("options.dat")));
    QVERIFY(std::filesystem::exists(s.dir.File("urls.his")));
}

void CStartupTest::optionsShapeTheWindowBeforeItShows()
{
    CStartup s;
    COptions stored(s.dir.Path());
    stored.m_windowLeft = 15;
    stored.m_windowTop = 25;
    stored.m_windowWidth = 640;
    stored.m_windowHeight = 480;
    stored.m_treeWidth = 123;
    stored.m_sizeColumnWidth = 71;
    stored.m_askSiteAtStartup = false;
    stored.Save();

    QVERIFY(s.Init({"-nocheck"}));
    CMainFrame* frame = s.app->MainFrame();
    QCOMPARE(frame->geometry(), QRect(15, 25, 640, 480));
    QCOMPARE(frame->Splitter()->sizes().front(), 123);
    QCOMPARE(frame->FileView()->columnWidth(1), 71);
    QCOMPARE(s.steps, QStringList{"about"});
    s.Finish();
}

void CStartupTest::minimizeSuppressesTheSitePrompt()
{
    CStartup s;
    QVERIFY(s.Init({"-minimize"}));
    QCOMPARE(s.steps, QStringList{"upgrade"});
    QVERIFY(s.app->MainFrame()->isMinimized());
    s.Finish();
}

void CStartupTest::upgradeOfferSkipsPromptAndSites()
{
    CStartup s;
    s.offerUpgrade = true;
    QVERIFY(s.Init({"-site", "http://a.test/"}));
    QCOMPARE(s.steps, QStringList{"upgrade"});
    QCOMPARE(s.RootNodes(), QStringList{});
    s.Finish();
}

void CStartupTest::commandLineSitesGoIntoTheTree()
{
    CStartup s;
    QVERIFY(s.Init({"-nocheck", "-site", "http://b.test/", "-site", "http://a.test/", "-mode", "3",
                    "-site", "http://b.test/"}));
    // Sites named on the command line are not asked for, nor greeted with the About box.
    QCOMPARE(s.steps, QStringList{});
    // The duplicate meets the sink's rule: one node.
    QCOMPARE(s.RootNodes(), (QStringList{"http://a.test/", "http://b.test/"}));
    QVERIFY(!s.state->Options()->m_terminateWhenDone);
    QVERIFY(s.app->MainFrame()->isVisible());
    s.Finish();
}

void CStartupTest::termWithSitesClosesWhenNothingRuns()
{
    CStartup s;
    QVERIFY(s.Init({"-hide", "-site", "http://a.test/", "-nocheck"}));
    QVERIFY(s.state->Options()->m_terminateWhenDone);
    QVERIFY(!s.app->MainFrame()->isVisible());
    // No browse is running, so the window closes as soon as messages are served.
    QVERIFY(QTest::qWaitFor([&] { return s.app->MainFrame()->IsClosing(); }));
    s.Finish();
    COptions saved(s.dir.Path());
    QVERIFY(saved.Load());
}

void CStartupTest::hideWithoutSiteEndsAndKeepsHistories()
{
    CStartup s;
    WriteUrlHistory(s.dir);
    QVERIFY(!s.Init({"-hide"}));
    // Nobody could answer an upgrade offer, so there is no check; the prompt still comes: hide
    // does not suppress it.
    QCOMPARE(s.steps, QStringList{"prompt"});
    s.Finish();
    CTSList history;
    QVERIFY(history.Load(kUrlHistoryFileName, s.dir.Path()));
    QVERIFY(history.Contains("http://old.test/"));
    QVERIFY(std::filesystem::exists(s.dir.File("options.dat")));
}

void CStartupTest::hiddenUnattendedRunCrawlsAndSaves()
{
    CLocalSite site;
    CStartup s;
    s.Prepare();
    const std::string start = site.Url("/");
    const char* argv[] = {"harvestor", "-hide", "-site", start.c_str(), "-nocheck"};
    QCOMPARE(s.app->Run(5, argv), 0);
    QCOMPARE(s.steps, QStringList{});
    // Browsed with the default mode ("Find files on Page"): the start page only.
    QCOMPARE(s.app->FoundFilesAtClose(), std::vector<std::string>{site.Url("/a.zip")});
    CTSList history;
    QVERIFY(history.Load(kUrlHistoryFileName, s.dir.Path()));
    QVERIFY(history.Contains(start));
    QVERIFY(!history.Contains(site.Url("/sub/page.html")));
    COptions saved(s.dir.Path());
    QVERIFY(saved.Load());
    QVERIFY(saved.m_windowWidth > 0 && saved.m_windowHeight > 0);
    QVERIFY(!saved.m_terminateWhenDone); // a run-time flag, never stored
}

void CStartupTest::termRunWithADisplayStartsWithoutTheAboutBox()
{
    CLocalSite site;
    CStartup s;
    s.Prepare();
    // The real step: had it waited for a click, this run would never end.
    s.app->Steps().showAbout = [&](QWidget* owner)
    {
        s.steps << "about";
        ShowStartupAboutBox(owner);
    };
    const std::string start = site.Url("/");
    const char* argv[] = {"harvestor", "-term", "-site", start.c_str(), "-nocheck"};
    QCOMPARE(s.app->Run(5, argv), 0);
    QCOMPARE(s.steps, QStringList{});
    QCOMPARE(s.app->FoundFilesAtClose(), std::vector<std::string>{site.Url("/a.zip")});
}

void CStartupTest::windowCreatedOptionsDownloadIntoTheUserFolder()
{
    // Created by the window: the user's download folder, written at once.
    {
        CStartup s;
        QVERIFY(s.Init({"-nocheck"}));
        const std::string expected = s.dir.DownloadFolder() + "/Harvestor/";
        QCOMPARE(s.state->Options()->m_downloadDir, expected);
        COptions saved(s.dir.Path());
        QVERIFY(saved.Load());
        QCOMPARE(saved.m_downloadDir, expected);
        QCOMPARE(s.state->DownloadFolder(), expected);
        s.Finish();
    }
    // An options file that exists keeps its folder.
    {
        CStartup s;
        COptions stored(s.dir.Path());
        stored.m_downloadDir = s.dir.File("mine/");
        stored.Save();
        QVERIFY(s.Init({"-nocheck"}));
        QCOMPARE(s.state->Options()->m_downloadDir, s.dir.File("mine/"));
        s.Finish();
    }
}

QTEST_MAIN(CStartupTest)
#include "startup_test.moc"
