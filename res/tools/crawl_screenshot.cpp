// Saves the README's pictures from a real crawl of a small site on 127.0.0.1: the main window
// while the crawl runs (one page is held back so that it is caught mid-way), the downloads view
// while some of the files arrive, and the options sheet. Usage: harvestor_crawl_screenshot FOLDER
// (runs on any Qt platform; offscreen works). With "-dark" it saves one more picture instead: the
// main window at 1.5 times scaling in a dark theme.
#include "app/DownloadsView.h"
#include "app/FileList.h"
#include "app/GuiPrompts.h"
#include "app/MainFrame.h"
#include "app/OptionSheet.h"
#include "app/TrawlerDoc.h"
#include "app/UrlList.h"
#include "session/Engine.h"
#include "settings/Options.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPalette>
#include <QSplitter>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
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

// The page that is held back until the picture of the running crawl is taken.
const char* const kHeldPage = "/software/tools.html";

struct CHold
{
    std::atomic<bool> reached{false};
    std::atomic<bool> released{false};
};

// Set for the downloads picture: files then arrive slowly, and one is missing.
std::atomic<bool> g_downloading{false};
constexpr std::size_t kSlowBytes = 6 << 20;

void ServeSite(httplib::Server& server, CHold& hold)
{
    for (const auto& [path, links] : kPages)
    {
        const std::string html = "<html><body>" + links + "</body></html>";
        const bool held = path == kHeldPage;
        server.Get(path,
                   [html, held, &hold](const httplib::Request&, httplib::Response& response)
                   {
                       if (held)
                       {
                           hold.reached = true;
                           while (!hold.released)
                               std::this_thread::sleep_for(std::chrono::milliseconds(5));
                       }
                       response.set_content(html, "text/html");
                   });
    }
    server.Get(R"(/.*\.(zip|exe|mp3|m3u|mpg))",
               [](const httplib::Request& request, httplib::Response& response)
               {
                   if (!g_downloading || request.method == "HEAD")
                       return response.set_content(
                           std::string(12000 + 2500 * request.path.size(), 'x'),
                           "application/octet-stream");
                   if (request.path == "/music/playlist.m3u")
                   {
                       response.status = 404;
                       return;
                   }
                   // A pace of its own per file, so the rows differ.
                   const std::size_t part = 2000 + 300 * (request.path.size() % 11);
                   response.set_content_provider(
                       kSlowBytes, "application/octet-stream",
                       [part](std::size_t offset, std::size_t, httplib::DataSink& sink)
                       {
                           std::this_thread::sleep_for(std::chrono::milliseconds(2));
                           const std::string bytes(std::min(part, kSlowBytes - offset), 'x');
                           return sink.write(bytes.data(), bytes.size());
                       });
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

// Serves the window until done() holds.
template <class Done> bool ServeUntil(Done done)
{
    QDeadlineTimer deadline(30000);
    while (!done())
    {
        if (deadline.hasExpired())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    QApplication::processEvents();
    return true;
}

// A dark theme as a desktop would set it: window, base and text colours, links readable on them.
void UseDarkTheme()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(45, 45, 48));
    dark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    dark.setColor(QPalette::Base, QColor(30, 30, 32));
    dark.setColor(QPalette::AlternateBase, QColor(40, 40, 44));
    dark.setColor(QPalette::Text, QColor(230, 230, 230));
    dark.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    dark.setColor(QPalette::Button, QColor(55, 55, 60));
    dark.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    dark.setColor(QPalette::Highlight, QColor(42, 110, 200));
    dark.setColor(QPalette::HighlightedText, Qt::white);
    dark.setColor(QPalette::Link, QColor(120, 180, 255));
    dark.setColor(QPalette::ToolTipBase, QColor(55, 55, 60));
    dark.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    dark.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(130, 130, 130));
    dark.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(130, 130, 130));
    QApplication::setPalette(dark);
}

template <class Edit> void EditOptions(CEngine& engine, Edit edit)
{
    COptions options = *engine.Options();
    edit(options);
    engine.SetOptions(options);
}

bool Save(QWidget& widget, const QDir& folder, const char* name)
{
    const QString path = folder.absoluteFilePath(QString::fromLatin1(name));
    if (widget.grab().save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    const bool dark = argc == 3 && std::string(argv[2]) == "-dark";
    if (dark)
        qputenv("QT_SCALE_FACTOR", "1.5");
    QApplication application(argc, argv);
    if (argc != 2 && !dark)
    {
        std::fprintf(stderr, "usage: harvestor_crawl_screenshot FOLDER [-dark]\n");
        return 2;
    }
    if (dark)
        UseDarkTheme();
    const QDir output(QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1])));
    QTemporaryDir work;
    QDir::setCurrent(work.path());

    httplib::Server server;
    CHold hold;
    ServeSite(server, hold);
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serverThread([&server] { server.listen_after_bind(); });
    while (!server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    bool saved = false;
    {
        CEngine engine(work.path().toStdString(), work.filePath("hvstr.log").toStdString());
        CGuiPrompts prompts(true);
        engine.SetPrompts(&prompts);
        engine.Open("Hvstr152");
        // Sizes arrive while the crawl runs, as a user who wants them would set it.
        EditOptions(engine, [](COptions& o) { o.m_checkLength = kCheckLengthWhenFound; });
        CTrawlerDoc doc;
        CMainFrame frame(engine, doc, false);
        frame.resize(980, 560);
        frame.Splitter()->setSizes({360, 620});
        frame.show();

        // "Find files on Site" from the start page, as the Add Site dialog would start it; the
        // picture is taken while the held page is being read and the rest has arrived.
        engine.BrowseSite("http://127.0.0.1:" + std::to_string(port) + "/", 1);
        CFileList* list = frame.FileView();
        const bool caught =
            ServeUntil([&] { return hold.reached.load() && list->topLevelItemCount() >= 8; });
        ServeUntil([deadline = QDeadlineTimer(300)] { return deadline.hasExpired(); });
        for (int row : {1, 4})
            if (row < list->topLevelItemCount())
                list->topLevelItem(row)->setSelected(true);
        frame.DeliverPendingMessages();
        frame.UpdateCommandUI();
        QApplication::processEvents();
        if (!caught)
            std::fprintf(stderr, "the crawl was not caught mid-way (%s, %d files)\n",
                         hold.reached ? "held page reached" : "held page not reached",
                         list->topLevelItemCount());
        saved = caught && Save(frame, output,
                               dark ? "main-window-dark-1.5x.png" : "main-window-crawling.png");
        hold.released = true;
        saved = ServeUntil([&] { return engine.RunningBrowses() == 0; }) && saved;

        if (!dark)
        {
            // Every other file downloads (three at a time), the missing list among them.
            g_downloading = true;
            EditOptions(engine,
                        [](COptions& o)
                        {
                            o.m_downloadThreads = 3;
                            o.m_checkLength = kCheckLengthNever;
                        });
            list->clearSelection();
            for (int row = 0; row < list->topLevelItemCount(); row += 2)
                list->topLevelItem(row)->setSelected(true);
            list->DownloadSelected();
            ServeUntil([deadline = QDeadlineTimer(1500)] { return deadline.hasExpired(); });
            frame.Splitter()->setSizes({220, 760});
            frame.DownloadsView()->setColumnWidth(CDownloadsView::kNameColumn, 130);
            frame.DeliverPendingMessages();
            frame.UpdateCommandUI();
            QApplication::processEvents();
            saved = Save(frame, output, "downloads.png") && saved;
            engine.CancelDownloads();

            COptionSheet sheet(&frame, engine);
            sheet.SetActivePage(COptionSheet::kFileTypes);
            sheet.show();
            QApplication::processEvents();
            saved = Save(sheet, output, "options.png") && saved;
            sheet.reject();
        }
        frame.CloseWithoutAsking();
        engine.SetPrompts(nullptr);
    }
    hold.released = true;
    server.stop();
    serverThread.join();
    return saved ? 0 : 1;
}
