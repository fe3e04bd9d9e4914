// Saves a picture of the main window with a little content, for the README.
// Usage: harvestor_screenshot OUTPUT.png (runs on any Qt platform; offscreen works)
#include "app/ActivityBar.h"
#include "app/FileList.h"
#include "app/GuiPrompts.h"
#include "app/MainFrame.h"
#include "app/TrawlerDoc.h"
#include "app/UrlList.h"
#include "download/TrawlerCore.h"
#include "url/Url.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QSplitter>
#include <QTemporaryDir>
#include <cstdio>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: harvestor_screenshot OUTPUT.png\n");
        return 2;
    }
    const QString output = QDir::current().absoluteFilePath(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir work;
    QDir::setCurrent(work.path());

    CTrawlerCore core(work.path().toStdString(), work.filePath("hvstr.log").toStdString());
    CGuiPrompts prompts(true);
    core.SetPrompts(&prompts);
    CTrawlerDoc doc;
    CMainFrame frame(core, doc, false);
    frame.resize(920, 520);
    frame.Splitter()->setSizes({330, 590});

    CUrlList* tree = frame.SiteView();
    CUrl site("http://downloads.example.org/");
    const CTreeNodeId siteNode = tree->InsertNode(kNoTreeNode, site);
    const char* pages[] = {"audio/", "video/", "software/", "software/tools.html", "news.html"};
    for (const char* page : pages)
    {
        CUrl record(std::string("http://downloads.example.org/") + page);
        tree->InsertNode(siteNode, record);
    }
    CUrl other("http://mirror.example.net/");
    tree->InsertNode(siteNode, other);
    tree->expandAll();
    tree->SetPageImage("http://downloads.example.org/", CUrlList::kImageDone);
    tree->SetPageImage("http://downloads.example.org/software/", CUrlList::kImageDone);
    tree->SetPageImage("http://downloads.example.org/software/tools.html", CUrlList::kImageReading);
    tree->ItemOf(siteNode)->setSelected(true);

    CFileList* list = frame.FileView();
    const char* files[][2] = {
        {"http://downloads.example.org/audio/interview.mp3", "4711"},
        {"http://downloads.example.org/software/setup.exe", "812"},
        {"http://downloads.example.org/software/tools-2.1.zip", "<Unknown>"},
        {"http://downloads.example.org/video/tour.mpg", ""},
        {"http://mirror.example.net/pack/archive.zip", "1536"},
    };
    for (const auto& file : files)
        list->InsertItem(file[0], file[1]);

    core.m_frame.PostToMainFrame(
        WM_SET_STATUS, STATUS_TEXT,
        CFramePayload::Text("Browsing http://downloads.example.org/software/tools.html"));
    core.m_frame.PostToMainFrame(WM_SET_STATUS, STATUS_BROWSERS, CFramePayload::Value(2));
    core.m_frame.PostToMainFrame(WM_SET_STATUS, STATUS_DOWNLOADS);
    core.m_frame.PostToMainFrame(WM_PROGRESS_STEP, 40);
    frame.DeliverPendingMessages();
    core.m_liveBrowsers = 2;
    frame.UpdateCommandUI();

    frame.show();
    QApplication::processEvents();
    const bool saved = frame.grab().save(output, "PNG");
    core.m_liveBrowsers = 0;
    core.SetPrompts(nullptr);
    if (!saved)
    {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return 1;
    }
    return 0;
}
