// Saves a picture of the main window after a real crawl of a small site on 127.0.0.1, for the
// README. Usage: harvestor_crawl_screenshot OUTPUT.png (runs on any Qt platform; offscreen
// works).
#include "app/AddSite.h"
#include "app/FileList.h"
#include "app/GuiPrompts.h"
#include "app/MainFrame.h"
#include "app/TrawlerDoc.h"
#include "app/UrlList.h"
#include "download/TrawlerCore.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QSplitter>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <httplib.h>
#include <map>
#include <string>
#include <thread>

namespace
{

// page path -> its links; every link that is not a page is a file of that many bytes.
const std::map<std::string, std::string> kPages{
    {"/", "<a href=\"software/\">Software</a> <a href=\"music/\">Music</a> "
          "<a href=\"video/\">Video</a> <a href=\"news.html\">News</a> "
          "<a href=\"readme.zip\">readme</a>"},
    {"/software/", "<a href=\"tools.html\">Tools</a> <a href=\"setup.exe\">setup</a> "
                   "<a href=\"tools-2.1.zip\">tools</a>"},
    {"/software/tools.html", "<a href=\"patch-2.1.1.zip\">patch</a>"},
    {"/music/", "<a href=\"interview.mp3\">interview</a> <a href=\"live-set.mp3\">live</a> "
                "<a href=\"playlist.m3u\">list</a>"},
    {"/video/", "<a href=\"tour.mpg\">tour</a> <a href=\"trailer.mov\">trailer</a>"},
    {"/news.html", "<a href=\"/software/\">Software</a> <a href=\"/video/\">Video</a>"},
};

void ServeSite(httplib::Server& server)
{
    for (const auto& [path, links] : kPages)
    {
        const std::string html = "<html><body>" + links + "</body></html>";
        server.Get(path, [html](const httplib::Request&, httplib::Response& response)
                   { response.set_content(html, "text/html"); });
    }
    server.Get(R"(/.*\.(zip|exe|mp3|m3u|mpg))",
               [](const httplib::Request& request, httplib::Response& response)
               {
                   response.set_content(std::string(1000 + 37 * request.path.size(), 'x'),
                                        "application/octet-stream");
               });
    // No size for the trailer: its column reads "<Unknown>".
    server.Get("/video/trailer.mov",
               [](const httplib::Request&, httplib::Response& response)
               {
                   response.set_chunked_content_provider(
                       "video/quicktime", [](std::size_t, httplib::DataSink& sink)
                       { return sink.write("mov", 3) && (sink.done(), true); });
               });
}

// Serves the window while the browse threads work.
bool WaitForBrowses(CTrawlerCore& core)
{
    QDeadlineTimer deadline(30000);
    while (core.m_runningBrowses.load() != 0 || core.m_liveBrowsers.load() != 0)
    {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    QApplication::processEvents();
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: harvestor_crawl_screenshot OUTPUT.png\n");
        return 2;
    }
    const QString output = QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir work;
    QDir::setCurrent(work.path());

    httplib::Server server;
    ServeSite(server);
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serverThread([&server] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    int status = 0;
    {
        CTrawlerCore core(work.path().toStdString(), work.filePath("hvstr.log").toStdString());
        CGuiPrompts prompts(true);
        core.SetPrompts(&prompts);
        core.OpenSession("Hvstr152");
        CTrawlerDoc doc;
        CMainFrame frame(core, doc, false);
        frame.resize(980, 560);
        frame.Splitter()->setSizes({360, 620});
        CFileList* list = frame.FileView();
        list->setColumnWidth(CFileList::kFilesColumn, 470);
        frame.show();

        // "Find files on Site" from the start page, as the Add Site dialog would start it.
        AddAndBrowseSite(core, "http://127.0.0.1:" + std::to_string(port) + "/", 1);
        if (!WaitForBrowses(core))
            status = 1;

        // Sizes for the list, then a selection to show.
        frame.SetActivePane(CMainFrame::kFilePane);
        list->selectAll();
        list->DetermineSize();
        list->clearSelection();
        for (int row : {1, 4})
            if (row < list->topLevelItemCount())
                list->topLevelItem(row)->setSelected(true);
        CUrlList* tree = frame.SiteView();
        tree->expandAll();
        if (tree->topLevelItemCount() > 0)
            tree->setCurrentItem(tree->topLevelItem(0));
        frame.DeliverPendingMessages();
        frame.UpdateCommandUI();
        QApplication::processEvents();

        if (status == 0 && !frame.grab().save(output, "PNG"))
        {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
            status = 1;
        }
        frame.close();
        core.SetPrompts(nullptr);
    }
    server.stop();
    serverThread.join();
    return status;
}
