#include "AppTestSupport.h"
#include "app/TrawlerApp.h"
#include "settings/Options.h"
#include "settings/TSList.h"
#include "support/FileBytes.h"
#include "support/TestHttpServer.h"
#include "support/WaitFor.h"

#include <QElapsedTimer>
#include <QTest>
#include <filesystem>
#include <thread>

namespace
{

constexpr int kSections = 4;
constexpr int kPages = 1000;

// Four sections /s0/ to /s3/ of a thousand pages each. Page M links pages 2M+1 and 2M+2, one
// small file that downloads at once and one big file that streams until the test ends. Pages
// answer after 100 ms, so the crawls go on for minutes.
class CLoadSite
{
public:
    CLoadSite()
    {
        auto& server = m_server.Server();
        // A thread for every connection that 4 browsers and 20 workers keep.
        server.new_task_queue = [] { return new httplib::ThreadPool(64); };
        server.Get(R"(/s(\d)/p(\d+)\.htm)",
                   [this](const httplib::Request& request, httplib::Response& response)
                   {
                       std::this_thread::sleep_for(std::chrono::milliseconds(100));
                       const std::string section = request.matches[1].str();
                       const int page = std::stoi(request.matches[2].str());
                       std::string body;
                       for (int next : {2 * page + 1, 2 * page + 2})
                       {
                           if (next < kPages)
                               body += "<a href=\"p" + std::to_string(next) + ".htm\">p</a>";
                       }
                       body += "<a href=\"" + SmallFile(section, page) + "\">s</a>";
                       body += "<a href=\"" + BigFile(section, page) + "\">b</a>";
                       response.set_content(body, "text/html");
                   });
        server.Get(R"(/s\d/small-\d+\.zip)",
                   [](const httplib::Request&, httplib::Response& response)
                   { response.set_content(std::string(kSmallBytes, 's'), "application/zip"); });
        server.Get(R"(/s\d/big-\d+\.zip)",
                   [this](const httplib::Request&, httplib::Response& response)
                   {
                       response.set_chunked_content_provider(
                           "application/zip",
                           [this](std::size_t, httplib::DataSink& sink)
                           {
                               const std::string block(16 * 1024, 'b');
                               std::this_thread::sleep_for(std::chrono::milliseconds(10));
                               if (m_stop.load())
                                   return false;
                               return sink.write(block.data(), block.size());
                           });
                   });
        m_server.Start();
    }
    ~CLoadSite() { Stop(); }

    void Stop()
    {
        m_stop = true;
        m_server.Stop();
    }

    static std::string SmallFile(const std::string& section, int page)
    {
        return "/s" + section + "/small-" + std::to_string(page) + ".zip";
    }
    static std::string BigFile(const std::string& section, int page)
    {
        return "/s" + section + "/big-" + std::to_string(page) + ".zip";
    }
    std::string Url(const std::string& path) const { return m_server.Url(path); }

    static constexpr std::size_t kSmallBytes = 2000;

private:
    CTestHttpServer m_server;
    std::atomic<bool> m_stop{false};
};

} // namespace

// Closing the program while it works hard: the workers end, the options and histories are
// saved, and the download history holds complete files only.
class CCloseLoadTest : public QObject
{
    Q_OBJECT

private slots:
    void closeUnderLoadEndsAndKeepsOnlyCompleteFiles();
    void closeStartsNoWorkerBehindItsWait();
};

void CCloseLoadTest::closeUnderLoadEndsAndKeepsOnlyCompleteFiles()
{
    CLoadSite site;
    CScratchDir dir;
    {
        COptions options(dir.Path());
        options.m_downloadThreads = 20;
        options.m_autoDownload = true;
        options.m_askSiteAtStartup = false;
        options.m_downloadDir = dir.File("dl") + "/";
        options.m_duplicateAction = kDuplicateRename;
        options.Save();
    }
    CEngine engine(dir.Path(), dir.File("hvstr.log"));
    CTrawlerApp app(engine);
    app.Prompts().SetDialogRunner([](QDialog&) { return 0; });
    app.Steps().showAbout = [](QWidget*) {};
    app.Steps().runUpgradeCheck = [](QWidget*, CEngine&) { return false; };
    std::vector<std::string> arguments = {"harvestor", "-nocheck", "-mode", "2"};
    for (int section = 0; section < kSections; ++section)
    {
        arguments.push_back("-site");
        arguments.push_back(site.Url("/s" + std::to_string(section) + "/p0.htm"));
    }
    std::vector<const char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    QVERIFY(app.InitInstance(static_cast<int>(argv.size()), argv.data()));

    QVERIFY(QTest::qWaitFor(
        [&]
        {
            // Pages in flight queue the files fast: wait until some small one is in, too.
            return engine.RunningBrowses() == 4 && engine.RunningDownloads() == 20 &&
                   engine.Statistics().receivedFiles > 0;
        },
        60000));

    QElapsedTimer closing;
    closing.start();
    app.CloseMainFrame();
    // A generous bound: the workers stop at their next check.
    QVERIFY2(closing.elapsed() < 30000, QByteArray::number(closing.elapsed()).constData());
    QVERIFY(!engine.WorkersRunning());
    QCOMPARE(engine.RunningDownloads(), 0u);
    QCOMPARE(engine.RunningBrowses(), 0u);
    site.Stop();
    app.ExitInstance();

    COptions saved(dir.Path());
    QVERIFY(saved.Load());
    QCOMPARE(saved.m_downloadThreads, 20);
    CTSList pages;
    QVERIFY(pages.Load("urls.his", dir.Path()));
    QVERIFY(pages.GetCount() > 0);

    CTSList files;
    QVERIFY(files.Load("files.his", dir.Path()));
    QVERIFY(files.GetCount() > 0);
    const std::string log = ReadFileBytes(dir.File("hvstr.log"));
    std::size_t complete = 0;
    for (int section = 0; section < kSections; ++section)
    {
        for (int page = 0; page < kPages; ++page)
        {
            const std::string number = std::to_string(section);
            QVERIFY(!files.Contains(site.Url(CLoadSite::BigFile(number, page))));
            const std::string small = site.Url(CLoadSite::SmallFile(number, page));
            if (!files.Contains(small))
                continue;
            ++complete;
            const std::string prefix = "Downloaded " + small + " as ";
            const std::size_t at = log.find(prefix);
            QVERIFY2(at != std::string::npos, small.c_str());
            const std::size_t from = at + prefix.size();
            const std::string local = log.substr(from, log.find('\n', from) - from);
            QCOMPARE(std::filesystem::file_size(local), CLoadSite::kSmallBytes);
        }
    }
    QCOMPARE(files.GetCount(), complete);
}

// The last worker to end clears the cancel flag; a file that a browse thread queues after that,
// while the window still waits for the browsers, must not start a worker that downloads on
// after the close.
void CCloseLoadTest::closeStartsNoWorkerBehindItsWait()
{
    CTestHttpServer server;
    server.ServeStall("/stall.zip");
    std::atomic<int> lateRequests{0};
    server.Server().Get("/late.zip",
                        [&](const httplib::Request&, httplib::Response& response)
                        {
                            ++lateRequests;
                            response.set_content("late", "application/zip");
                        });
    server.Start();

    CFrameFixture f;
    EditOptions(f.engine,
                [&](COptions& o)
                {
                    o.m_downloadDir = f.dir.File("dl") + "/";
                    o.m_downloadThreads = 1;
                });
    QVERIFY(f.engine.Open("Hvstr152"));
    QVERIFY(f.engine.RetryDownloads({server.Url("/stall.zip")}));
    QVERIFY(QTest::qWaitFor([&] { return f.engine.RunningDownloads() == 1; }, 20000));

    // A browser that queues a file once the workers have gone, and ends a little later.
    QVERIFY(f.engine.StartCountedWork(
        EEngineWork::Browse,
        [&](std::stop_token)
        {
            WaitFor([&] { return f.engine.BrowseCancelled(); }, std::chrono::seconds(60));
            WaitFor([&] { return f.engine.RunningDownloads() == 0; }, std::chrono::seconds(60));
            f.engine.RetryDownloads({server.Url("/late.zip")});
            WaitFor([&] { return f.engine.RunningDownloads() != 0; }, std::chrono::seconds(2));
        }));
    f.frame->close();
    server.Release();

    QVERIFY(!f.engine.WorkersRunning());
    QCOMPARE(f.engine.RunningDownloads(), 0u);
    QCOMPARE(lateRequests.load(), 0);
    QCOMPARE(f.engine.PendingDownloads(), 1u);
}

QTEST_MAIN(CCloseLoadTest)
#include "close_load_test.moc"
