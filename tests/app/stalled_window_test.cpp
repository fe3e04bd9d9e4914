#include "AppTestSupport.h"
#include "app/FileList.h"
#include "support/TestHttpServer.h"

#include <QTest>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

// A crawl never drops what it finds while the window is busy: it goes on without waiting for the
// window, however long the window serves nothing, and every found file reaches the list in the
// order the crawl found it.
class CStalledWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void everyFileIsListedAfterTheWindowStalls();
};

namespace
{

constexpr int kPages = 10;
constexpr int kFilesPerPage = 1000;
constexpr int kFiles = kPages * kFilesPerPage;

// The file found k-th: a permutation of the names, so that the list's sorted order is not the
// order in which they were found.
std::string FileName(int k)
{
    char name[32];
    std::snprintf(name, sizeof name, "files/f%05d.zip", (k * 7919) % kFiles);
    return name;
}

// A start page that links to pages p0.html to p9.html, each listing a thousand files. The
// handler of p1.html waits until the test lets it go.
struct CManyFilesSite
{
    CTestHttpServer server;
    std::atomic<bool> stalled{false};

    CManyFilesSite()
    {
        std::string start = "<html><body>";
        for (int page = 0; page < kPages; ++page)
            start += "<a href=\"p" + std::to_string(page) + ".html\">p</a>\n";
        Serve("/", start + "</body></html>");
        for (int page = 0; page < kPages; ++page)
        {
            std::string html = "<html><body>";
            for (int k = page * kFilesPerPage; k < (page + 1) * kFilesPerPage; ++k)
                html += "<a href=\"" + FileName(k) + "\">f</a>\n";
            Serve("/p" + std::to_string(page) + ".html", html + "</body></html>", page == 1);
        }
        server.Start();
    }

    void Serve(const std::string& path, std::string html, bool stall = false)
    {
        server.Server().Get(
            path,
            [this, html, stall](const httplib::Request&, httplib::Response& response)
            {
                if (stall)
                {
                    stalled = true;
                    server.StallUntilReleased();
                }
                response.set_content(html, "text/html");
            });
    }
};

} // namespace

void CStalledWindowTest::everyFileIsListedAfterTheWindowStalls()
{
    CManyFilesSite site;
    CFrameFixture f;
    QVERIFY(f.engine.Open("Hvstr152"));
    CFileList* list = f.frame->FileView();
    // The order in which items reach the list (it shows them sorted by URL).
    std::vector<std::string> arrived;
    QObject::connect(list->model(), &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex&, int first, int last)
                     {
                         for (int row = first; row <= last; ++row)
                             arrived.push_back(list->UrlAt(row));
                     });

    f.engine.BrowseSite(site.server.Url("/"), 1); // the whole site
    QVERIFY(QTest::qWaitFor([&] { return site.stalled.load(); }, 30000));
    // As a long sort or export would: the window's thread serves nothing for three seconds,
    // while the crawl reads on and finds its next files.
    const std::size_t shownBeforeStall = arrived.size();
    const std::uint32_t foundBeforeStall = f.engine.Statistics().foundFiles;
    site.server.Release();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    QCOMPARE(arrived.size(), shownBeforeStall);
    QVERIFY(f.engine.Statistics().foundFiles > foundBeforeStall);
    QVERIFY(QTest::qWaitFor([&] { return !f.engine.WorkersRunning(); }, 60000));
    QCoreApplication::processEvents();

    std::vector<std::string> found;
    for (int k = 0; k < kFiles; ++k)
        found.push_back(site.server.Url("/" + FileName(k)));
    QCOMPARE(f.engine.Statistics().foundFiles, std::uint32_t{kFiles});
    QCOMPARE(arrived.size(), std::size_t{kFiles});
    QVERIFY(arrived == found);
    std::sort(found.begin(), found.end());
    QVERIFY(list->Urls() == found);
}

QTEST_MAIN(CStalledWindowTest)
#include "stalled_window_test.moc"
