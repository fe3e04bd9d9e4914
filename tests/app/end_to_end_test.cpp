#include "AppTestSupport.h"
#include "DialogTestSupport.h"
#include "app/AddSiteDlg.h"
#include "app/CommandIds.h"
#include "app/ExportDlg.h"
#include "app/FileList.h"
#include "app/HistoryCombo.h"
#include "app/MakerSite.h"
#include "app/UrlList.h"
#include "settings/FileExport.h"
#include "support/FileBytes.h"
#include "support/TestHttpServer.h"

#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <map>

using namespace std::string_literals;

// The user's road through the windows against a real site on 127.0.0.1: add the site in the
// dialog, watch the tree and the list fill, download two files, export the rest.
class CEndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void addBrowseDownloadAndExport();
};

namespace
{

// path -> body: a start page with a file and a sub-page with two more, each file its own bytes.
const std::map<std::string, std::string> kSite{
    {"/", "<a href=\"alpha.zip\">a</a> <a href=\"sub/page.html\">more</a>"},
    {"/sub/page.html",
     "<a href=\"beta.exe\">b</a> <a href=\"/gamma.mp3\">c</a> <a href=\"/\">home</a>"},
    {"/alpha.zip", std::string(70000, 'a') + "end of a"},
    {"/sub/beta.exe", "MZ b"},
    {"/gamma.mp3", std::string(3000, 'c')},
};

QPushButton* ButtonWithText(QWidget& parent, const QString& text)
{
    for (QPushButton* button : parent.findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

} // namespace

void CEndToEndTest::addBrowseDownloadAndExport()
{
    CTestHttpServer site;
    for (const auto& [path, body] : kSite)
        site.Server().Get(path, [body](const httplib::Request&, httplib::Response& response)
                          { response.set_content(body, "text/html"); });
    site.Start();
    CFrameFixture f(false);
    CRecordingPrompts prompts;
    f.engine.SetPrompts(&prompts);
    QVERIFY(f.engine.Open("Hvstr152"));
    EditOptions(f.engine, [&](COptions& o) { o.m_downloadDir = f.dir.File("dl") + "/"; });
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));

    // Add Site: typed with a fragment, browsed with "Find files on Site".
    const std::string start = site.Url("/");
    AnswerNextDialog<CAddSiteDlg>(
        [&](CAddSiteDlg& dialog)
        {
            QTest::keyClicks(dialog.SiteCombo()->lineEdit(),
                             QString::fromStdString(start + "#top"));
            dialog.ModeButton(1)->click();
            ButtonWithText(dialog, "&OK")->click();
        });
    f.frame->Action(ID_ADD_SITE)->trigger();

    CUrlList* tree = f.frame->SiteView();
    CFileList* list = f.frame->FileView();
    const std::vector<std::string> found{site.Url("/alpha.zip"), site.Url("/gamma.mp3"),
                                         site.Url("/sub/beta.exe")};
    QVERIFY(QTest::qWaitFor([&] { return list->Urls() == found; }, 20000));
    QVERIFY(QTest::qWaitFor(
        [&] { return f.engine.RunningBrowses() == 0 && f.frame->StatusPaneText(2) == "0"; },
        20000));
    QCOMPARE(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    QCOMPARE(CUrlList::UrlOf(root), start);
    QCOMPARE(root->childCount(), 1);
    QCOMPARE(CUrlList::UrlOf(root->child(0)), site.Url("/sub/page.html"));
    // Both pages were read: their nodes show the done image.
    QCOMPARE(tree->ImageOf(root), int(CUrlList::kImageDone));
    QCOMPARE(tree->ImageOf(root->child(0)), int(CUrlList::kImageDone));
    QVERIFY(ReadFileBytes(f.dir.File("url.dat")).find(start + "#top") != std::string::npos);
    // Readable: the site stays open, a page shows its path below the site and its URL as the
    // tooltip, the crawl ends with a summary, the URLs take the room the sizes and names leave.
    QVERIFY(root->isExpanded());
    QCOMPARE(root->text(0), QString::fromStdString(start));
    QCOMPARE(root->child(0)->text(0), QString("sub/page.html"));
    QCOMPARE(root->child(0)->toolTip(0), QString::fromStdString(site.Url("/sub/page.html")));
    QVERIFY(QTest::qWaitFor([&] { return f.frame->StatusPaneText(0).startsWith("Finished"); }));
    QCOMPARE(f.frame->StatusPaneText(0),
             QString::fromStdString("Finished " + start + ": 2 pages, 3 files"));
    QCOMPARE(list->topLevelItem(0)->toolTip(CFileList::kFilesColumn),
             QString::fromStdString(found[0]));
    QCOMPARE(list->header()->sectionSize(CFileList::kFilesColumn) +
                 list->header()->sectionSize(CFileList::kSizeColumn) +
                 list->header()->sectionSize(CFileList::kNameColumn),
             list->viewport()->width());
    QCOMPARE(list->topLevelItem(0)->text(CFileList::kNameColumn),
             QString::fromStdString(found[0].substr(found[0].rfind('/') + 1)));

    // Download two of the three files.
    list->clearSelection();
    list->topLevelItem(0)->setSelected(true);
    list->topLevelItem(1)->setSelected(true);
    f.frame->UpdateCommandUI();
    f.frame->Action(ID_DOWNLOAD_SELECTED)->trigger();
    QCOMPARE(list->Urls(), std::vector<std::string>{site.Url("/sub/beta.exe")});
    QVERIFY(QTest::qWaitFor(
        [&]
        {
            return f.engine.Statistics().receivedFiles == 2 && f.engine.RunningDownloads() == 0 &&
                   f.frame->StatusPaneText(3) == "0";
        },
        20000));
    for (const char* path : {"/alpha.zip", "/gamma.mp3"})
        QCOMPARE(ReadFileBytes(f.dir.File("dl") + path), kSite.at(path));

    // Export what is left, as text and as HTML.
    for (const int format : {CExportDlg::kTextFormat, CExportDlg::kHtmlFormat})
    {
        AnswerNextDialog<CExportDlg>(
            [&](CExportDlg& dialog)
            {
                dialog.FormatButton(format)->click();
                AnswerNextSaveDialog(
                    f.dir.File(format == CExportDlg::kTextFormat ? "export.txt" : "export.html"));
                dialog.accept();
            });
        f.frame->Action(ID_EXPORT)->trigger();
    }
    const std::string rest = site.Url("/sub/beta.exe");
    QCOMPARE(ReadFileBytes(f.dir.File("export.txt")), rest + "\n");
    QCOMPARE(ReadFileBytes(f.dir.File("export.html")),
             BuildHtmlExport({rest}, MakerSiteBase() + "/"));
    QCOMPARE(prompts.Opened(),
             (std::vector<std::string>{f.dir.File("export.txt"), f.dir.File("export.html")}));
    // The status bar says where the export went.
    const QString exported =
        QString::fromStdString("Exported 1 file to " + f.dir.File("export.html"));
    QVERIFY(QTest::qWaitFor([&] { return f.frame->StatusPaneText(0) == exported; }));
    QVERIFY(prompts.Messages().empty());
    f.frame->close();
}

QTEST_MAIN(CEndToEndTest)
#include "end_to_end_test.moc"
