#include "AppTestSupport.h"
#include "ModalDriver.h"
#include "app/FileList.h"
#include "app/TrawlerApp.h"
#include "app/Upgrade.h"
#include "app/UpgradeDlg.h"
#include "app/UpgradeProgressDlg.h"
#include "app/UrlList.h"
#include "support/FileBytes.h"
#include "support/TestHttpServer.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <atomic>
#include <mutex>
#include <optional>

// The upgrade check against a local maker's site: the marker decides whether the offer shows,
// and "&Upgrade Now!" downloads the installer named in it.
class CUpgradeTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void noMarkerShowsNothing_data();
    void noMarkerShowsNothing();
    void unattendedRunsSkipTheCheck();
    void declinedOfferSkipsTheCommandLineSites();
    void installerIsStartedAndTheProgramCloses_data();
    void installerIsStartedAndTheProgramCloses();
    void cancelClosesSilentlyAndLeavesNoFlag();
    void failedDownloadIsReported();

private:
    void SetMarker(int status, const std::string& body)
    {
        std::lock_guard lock(m_mutex);
        m_markerStatus = status;
        m_markerBody = body;
    }

    std::unique_ptr<CTestHttpServer> m_server;
    std::mutex m_mutex;
    int m_markerStatus = 404;
    std::string m_markerBody;
    std::atomic<int> m_markerRequests{0};
};

namespace
{

const std::string kInstaller(200 * 1024, 'i');

struct CUpgradeFixture : CRecordingFixture
{
    CUpgradeFixture() { QVERIFY(engine.Open("Hvstr152")); }
};

// A whole program in a scratch directory, without the About box, every other prompt dismissed.
struct CAppRun
{
    CAppRun() : engine(dir.Path(), dir.File("hvstr.log")), app(engine)
    {
        app.Prompts().SetDialogRunner([](QDialog&) { return 0; });
        app.Steps().showAbout = [](QWidget*) {};
    }
    ~CAppRun()
    {
        app.CloseMainFrame();
        app.ExitInstance();
    }
    CScratchDir dir;
    CEngine engine;
    CTrawlerApp app;
};

void Click(QWidget* dialog, const char* name)
{
    QTest::mouseClick(dialog->findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
}

// What the download dialog showed: the bar at every look while it ran, and when it closed.
struct CProgressSeen
{
    QList<int> values; // every value the bar took
    int atClose = -1;
    int result = -1;
};

// Accepts the offer with "&Upgrade Now!" and watches the download dialog; act may press its
// buttons once it is up.
void UpgradeNow(CUpgradeDlg& offer, CProgressSeen& seen,
                std::function<void(CUpgradeProgressDlg&)> act = {})
{
    CWhenShown<CUpgradeProgressDlg> watch(
        [&seen](CUpgradeProgressDlg& dialog)
        {
            QObject::connect(&dialog, &QDialog::finished,
                             [&seen, &dialog](int result)
                             {
                                 seen.atClose = dialog.ProgressBar()->value();
                                 seen.result = result;
                             });
            QObject::connect(dialog.ProgressBar(), &QProgressBar::valueChanged,
                             [&seen](int value) { seen.values << value; });
        });
    std::optional<CWhenModal<CUpgradeProgressDlg>> press;
    if (act)
        press.emplace(act);
    Click(&offer, "upgradeNow");
    QVERIFY(watch.Fired());
}

} // namespace

void CUpgradeTest::init()
{
    SetMarker(404, {});
    m_markerRequests = 0;
    m_server = std::make_unique<CTestHttpServer>();
    httplib::Server& server = m_server->Server();
    const auto marker = [this](const httplib::Request&, httplib::Response& response)
    {
        ++m_markerRequests;
        std::lock_guard lock(m_mutex);
        response.status = m_markerStatus;
        if (m_markerStatus < 300)
            response.set_content(m_markerBody, "text/plain");
    };
    server.Get("/harvestor/docs152/upgrade.fil", marker);
    server.Get("/files/setup.bin", [](const httplib::Request&, httplib::Response& response)
               { response.set_content(kInstaller, "application/octet-stream"); });
    // Chunked: the server gives no size.
    server.Get("/files/nosize.bin",
               [](const httplib::Request&, httplib::Response& response)
               {
                   response.set_chunked_content_provider(
                       "application/octet-stream",
                       [](std::size_t offset, httplib::DataSink& sink)
                       {
                           if (offset >= kInstaller.size())
                           {
                               sink.done();
                               return true;
                           }
                           sink.write(kInstaller.data() + offset,
                                      std::min<std::size_t>(16 * 1024, kInstaller.size() - offset));
                           return true;
                       });
               });
    // A first block, then nothing until the test lets go.
    server.Get("/files/slow.bin",
               [this](const httplib::Request&, httplib::Response& response)
               {
                   response.set_content_provider(
                       kInstaller.size(), "application/octet-stream",
                       [this](std::size_t offset, std::size_t, httplib::DataSink& sink)
                       {
                           if (offset > 0)
                           {
                               m_server->StallUntilReleased();
                               return false;
                           }
                           sink.write(kInstaller.data(), 4096);
                           return true;
                       });
               });
    m_server->Start();
    qputenv("HARVESTOR_SITE", QByteArray::fromStdString(m_server->Url("/")));
}

void CUpgradeTest::cleanup()
{
    qunsetenv("HARVESTOR_SITE");
    m_server.reset();
}

void CUpgradeTest::noMarkerShowsNothing_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("body"); // "%1" stands for the installer's trusted URL
    QTest::newRow("none") << 404 << "";
    QTest::newRow("no URL") << 200 << " \r\n";
    QTest::newRow("another host") << 200 << "http://downloads.example/setup.bin";
    QTest::newRow("another scheme") << 200 << "file:///bin/sh";
    QTest::newRow("script") << 200 << "javascript:alert(1)//127.0.0.1/";
    QTest::newRow("two lines") << 200 << "%1\n%1";
    QTest::newRow("not 200") << 203 << "%1";
}

// Only a 200 answer naming an http or https URL on the maker's host counts as a newer version.
void CUpgradeTest::noMarkerShowsNothing()
{
    QFETCH(int, status);
    QFETCH(QString, body);
    const QString installer = QString::fromStdString(m_server->Url("/files/setup.bin"));
    SetMarker(status, body.replace(QStringLiteral("%1"), installer).toStdString());
    CUpgradeFixture f;
    CWhenModal<QDialog> anyDialog([](QDialog& dialog) { dialog.reject(); });
    QVERIFY(!CheckForUpgrade(f.frame.get(), f.engine));
    QCOMPARE(m_markerRequests.load(), 1);
    QVERIFY(!anyDialog.Fired());
    QCOMPARE(f.messages, QStringList{});
    QVERIFY(f.opened.empty());
}

// Nobody is there to answer an offer: the check is not even made, and the sites are browsed.
void CUpgradeTest::unattendedRunsSkipTheCheck()
{
    SetMarker(200, m_server->Url("/files/setup.bin"));
    const std::string site = m_server->Url("/site/");
    for (const char* flag : {"-term", "-hide"})
    {
        CAppRun run;
        CWhenModal<CUpgradeDlg> offer([](CUpgradeDlg& dialog) { dialog.reject(); });
        const char* argv[] = {"harvestor", "-site", site.c_str(), flag};
        run.app.InitInstance(4, argv);
        QVERIFY2(!offer.Fired(), flag);
        QCOMPARE(m_markerRequests.load(), 0);
        QCOMPARE(run.app.MainFrame()->SiteView()->topLevelItemCount(), 1);
    }
}

void CUpgradeTest::declinedOfferSkipsTheCommandLineSites()
{
    SetMarker(200, m_server->Url("/files/setup.bin"));
    CAppRun run;
    bool prompted = false;
    run.app.Steps().promptForSite = [&](CMainFrame&) { prompted = true; };
    CWhenModal<CUpgradeDlg> offer([](CUpgradeDlg& dialog) { Click(&dialog, "dontUpgrade"); });

    const std::string site = m_server->Url("/site/");
    const char* argv[] = {"harvestor", "-site", site.c_str()};
    QVERIFY(run.app.InitInstance(3, argv));
    QVERIFY(offer.Fired());
    QVERIFY(!prompted);
    QCOMPARE(run.app.MainFrame()->SiteView()->topLevelItemCount(), 0);
}

void CUpgradeTest::installerIsStartedAndTheProgramCloses_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("barAtClose");
    QTest::newRow("with size") << "/files/setup.bin" << 100;
    QTest::newRow("without size") << "/files/nosize.bin" << 0;
}

void CUpgradeTest::installerIsStartedAndTheProgramCloses()
{
    QFETCH(QString, path);
    QFETCH(int, barAtClose);
    // A line end after the URL is not part of it.
    SetMarker(200, m_server->Url(path.toStdString()) + "\n");
    CUpgradeFixture f;
    EditOptions(f.engine, [&](COptions& o) { o.m_downloadDir = f.dir.File("downloads/new/"); });
    CProgressSeen seen;
    int offerResult = -1;
    CWhenModal<CUpgradeDlg> offer(
        [&](CUpgradeDlg& dialog)
        {
            QObject::connect(&dialog, &QDialog::finished, [&](int code) { offerResult = code; });
            UpgradeNow(dialog, seen);
        });
    QVERIFY(CheckForUpgrade(f.frame.get(), f.engine));
    QCOMPARE(seen.result, int(QDialog::Accepted));
    QCOMPARE(offerResult, int(QDialog::Accepted));
    QCOMPARE(seen.atClose, barAtClose);
    // Without a size the bar never moves; with one it climbs to 100 in steps.
    if (barAtClose == 0)
        QCOMPARE(seen.values, QList<int>{});
    else
        QVERIFY(seen.values.size() > 1 && std::is_sorted(seen.values.begin(), seen.values.end()));

    const std::string target = f.dir.File("downloads/new/") + path.section('/', -1).toStdString();
    QCOMPARE(f.opened, std::vector<std::string>{target});
    QVERIFY(ReadFileBytes(target) == kInstaller);
    QCOMPARE(f.messages, QStringList{});
    // The program closes through the main window's normal shut-down.
    QVERIFY(QTest::qWaitFor([&] { return f.frame->IsClosing(); }));
}

void CUpgradeTest::cancelClosesSilentlyAndLeavesNoFlag()
{
    SetMarker(200, m_server->Url("/files/slow.bin"));
    CUpgradeFixture f;
    EditOptions(f.engine, [&](COptions& o) { o.m_downloadDir = f.dir.File("dl/"); });
    CProgressSeen seen;
    int offerResult = -1;
    bool stillOpenAfterCancel = false;
    CWhenModal<CUpgradeDlg> offer(
        [&](CUpgradeDlg& dialog)
        {
            QObject::connect(&dialog, &QDialog::finished, [&](int code) { offerResult = code; });
            UpgradeNow(dialog, seen,
                       [&](CUpgradeProgressDlg& download)
                       {
                           Click(&download, "cancel");
                           stillOpenAfterCancel = download.isVisible();
                       });
        });
    QVERIFY(CheckForUpgrade(f.frame.get(), f.engine));
    QVERIFY(stillOpenAfterCancel); // it closes when the download has noticed
    QCOMPARE(seen.result, int(QDialog::Rejected));
    QCOMPARE(offerResult, int(QDialog::Rejected));
    QCOMPARE(f.messages, QStringList{});
    QVERIFY(f.opened.empty());
    QVERIFY(!f.engine.DownloadsCancelled());
    m_server->Release();

    // The next download runs to its end.
    SetMarker(200, m_server->Url("/files/setup.bin"));
    CProgressSeen second;
    CWhenModal<CUpgradeDlg> again([&](CUpgradeDlg& dialog) { UpgradeNow(dialog, second); });
    QVERIFY(CheckForUpgrade(f.frame.get(), f.engine));
    QCOMPARE(second.result, int(QDialog::Accepted));
    QCOMPARE(f.opened, std::vector<std::string>{f.dir.File("dl/setup.bin")});
}

void CUpgradeTest::failedDownloadIsReported()
{
    SetMarker(200, m_server->Url("/files/missing.bin"));
    CUpgradeFixture f;
    CProgressSeen seen;
    int offerResult = -1;
    CWhenModal<CUpgradeDlg> offer(
        [&](CUpgradeDlg& dialog)
        {
            QObject::connect(&dialog, &QDialog::finished, [&](int code) { offerResult = code; });
            UpgradeNow(dialog, seen);
        });
    QVERIFY(CheckForUpgrade(f.frame.get(), f.engine));
    QCOMPARE(seen.result, int(QDialog::Rejected));
    QCOMPARE(offerResult, int(QDialog::Rejected));
    QCOMPARE(f.messages,
             QStringList{"Harvestor: Failed to download upgrade.  Please try again later."});
    QVERIFY(f.opened.empty());
    QCoreApplication::processEvents();
    QVERIFY(!f.frame->IsClosing());
}

QTEST_MAIN(CUpgradeTest)
#include "upgrade_test.moc"
