#include "AppTestSupport.h"
#include "DialogTestSupport.h"
#include "app/AddSiteDlg.h"
#include "app/AppMessages.h"
#include "app/CommandIds.h"
#include "app/ExchangeFields.h"
#include "app/FileList.h"
#include "app/HistoryCombo.h"
#include "app/HistoryFile.h"
#include "app/ScreenPlacement.h"
#include "app/StatsDlg.h"
#include "app/UrlList.h"
#include "download/TrawlerCore.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "url/Url.h"

#include <QAction>
#include <QLineEdit>
#include <QMessageBox>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <filesystem>

// What a desktop user meets on the window itself: windows that come back where they were,
// restored bars, the entry history depth, a right click that selects.
class CWindowHabitsTest : public QObject
{
    Q_OBJECT

private slots:
    void statisticsComeBackExactlyWhereTheyWere();
    void placementOffEveryScreenMovesOntoTheNearest_data();
    void placementOffEveryScreenMovesOntoTheNearest();
    void barVisibilityIsRestored();
    void entryHistoryDepthLimitsTheOfferedEntries();
    void rightClickSelectsTheItemUnderTheCursor();
    void linuxWordsAndKeys();
    void messageBoxesCarryTheFittingIcon();
};

namespace
{

CStatsDlg* OpenStatistics(CMainFrame& frame)
{
    frame.ExecuteCommand(ID_VIEW_STATS);
    auto* stats = static_cast<CStatsDlg*>(frame.StatsWindow());
    if (stats != nullptr && !QTest::qWaitForWindowExposed(stats))
        return nullptr;
    return stats;
}

void CloseStatistics(CMainFrame& frame)
{
    frame.ExecuteCommand(ID_VIEW_STATS);
    frame.DeliverPendingMessages();
}

} // namespace

void CWindowHabitsTest::statisticsComeBackExactlyWhereTheyWere()
{
    const QPoint target(240, 130);
    CFrameFixture f(false);
    CStatsDlg* stats = OpenStatistics(*f.frame);
    QVERIFY(stats != nullptr);
    // Moved by its title bar, as a user does.
    stats->move(target);
    QVERIFY(QTest::qWaitFor([&] { return stats->pos() == target; }));
    const QPoint placed = stats->geometry().topLeft();
    // The platform draws a frame, so the frame's corner and the inside corner differ.
    QVERIFY(stats->pos() != placed);
    for (int round = 0; round < 3; ++round)
    {
        CloseStatistics(*f.frame);
        stats = OpenStatistics(*f.frame);
        QVERIFY(stats != nullptr);
        QCOMPARE(stats->geometry().topLeft(), placed);
        QCOMPARE(stats->pos(), target);
    }
    // After a restart: a new main window over the same settings, the old one closed with the
    // statistics open.
    f.frame.reset();
    f.frame = std::make_unique<CMainFrame>(f.core, f.doc, false);
    stats = OpenStatistics(*f.frame);
    QVERIFY(stats != nullptr);
    QCOMPARE(stats->geometry().topLeft(), placed);
}

void CWindowHabitsTest::placementOffEveryScreenMovesOntoTheNearest_data()
{
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QRect>("placed");
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    QTest::newRow("on the first") << QRect(100, 100, 800, 600) << QRect(100, 100, 800, 600);
    QTest::newRow("across both") << QRect(1500, 50, 800, 600) << QRect(1500, 50, 800, 600);
    QTest::newRow("title above the top") << QRect(100, -200, 800, 600) << QRect(100, 0, 800, 600);
    QTest::newRow("right of the second")
        << QRect(4000, 300, 800, 600) << QRect(2400, 300, 800, 600);
    QTest::newRow("far left") << QRect(-3000, 900, 800, 600) << QRect(0, 480, 800, 600);
    QTest::newRow("larger than the screen")
        << QRect(-5000, -5000, 4000, 3000) << QRect(0, 0, 1920, 1080);
}

void CWindowHabitsTest::placementOffEveryScreenMovesOntoTheNearest()
{
    QFETCH(QRect, stored);
    QFETCH(QRect, placed);
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    QCOMPARE(PlaceOnScreens(stored, screens), placed);

    // The main window applies it to its stored placement.
    CScratchDir dir;
    CTrawlerCore core{dir.Path(), dir.File("hvstr.log")};
    CTrawlerDoc doc;
    core.m_options.m_windowLeft = 90000;
    core.m_options.m_windowTop = 90000;
    core.m_options.m_windowWidth = 300;
    core.m_options.m_windowHeight = 200;
    CMainFrame frame(core, doc, true);
    QVERIFY(frame.screen()->availableGeometry().intersects(frame.geometry()));
}

void CWindowHabitsTest::barVisibilityIsRestored()
{
    CFrameFixture f;
    QVERIFY(!f.frame->statusBar()->isHidden());
    f.frame->ExecuteCommand(ID_VIEW_STATUS_BAR);
    f.frame->ExecuteCommand(ID_VIEW_TOOLBAR);
    QVERIFY(f.frame->statusBar()->isHidden());
    f.frame.reset();
    f.frame = std::make_unique<CMainFrame>(f.core, f.doc, true);
    QVERIFY(f.frame->statusBar()->isHidden());
    QVERIFY(f.frame->ToolBar()->isHidden());
    QVERIFY(!f.frame->IsCommandChecked(ID_VIEW_STATUS_BAR));
    f.frame->ExecuteCommand(ID_VIEW_STATUS_BAR);
    f.frame.reset();
    f.frame = std::make_unique<CMainFrame>(f.core, f.doc, true);
    QVERIFY(!f.frame->statusBar()->isHidden());
}

void CWindowHabitsTest::entryHistoryDepthLimitsTheOfferedEntries()
{
    CScratchDir dir;
    CTrawlerCore core{dir.Path(), dir.File("hvstr.log")};
    CRecordingPrompts prompts;
    core.SetPrompts(&prompts);
    WriteFileAtomically(dir.File("url.dat"),
                        BuildHistoryBytes("http://a/", {"http://b/", "http://c/", "http://d/"}));
    for (const std::uint32_t depth : {1u, 3u, 7u})
    {
        core.m_options.m_entryHistoryDepth = depth;
        CAddSiteDlg dialog(core);
        QCOMPARE(dialog.SiteCombo()->count(), static_cast<int>(std::min(depth, 4u)));
        QCOMPARE(dialog.SiteCombo()->currentText(), QString("http://a/"));
    }
    core.SetPrompts(nullptr);
}

void CWindowHabitsTest::rightClickSelectsTheItemUnderTheCursor()
{
    CFrameFixture f(false);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    CUrl first("http://a.example/");
    CUrl second("http://b.example/");
    f.frame->SiteView()->InsertNode(kNoTreeNode, first);
    f.frame->SiteView()->InsertNode(kNoTreeNode, second);
    f.frame->FileView()->InsertItem("http://a.example/1.zip", "");
    f.frame->FileView()->InsertItem("http://a.example/2.zip", "");
    f.frame->DeliverPendingMessages();
    QCoreApplication::processEvents();

    struct CPane
    {
        QTreeWidget* view;
        int command; // enabled only with a selection
    };
    for (const CPane& pane : {CPane{f.frame->SiteView(), ID_OPEN_SITE},
                              CPane{f.frame->FileView(), ID_DOWNLOAD_SELECTED}})
    {
        QTreeWidgetItem* item = pane.view->topLevelItem(1);
        QVERIFY(item != nullptr);
        QVERIFY(!item->isSelected());
        const QPoint at = pane.view->visualItemRect(item).center();
        QTest::mousePress(pane.view->viewport(), Qt::RightButton, {}, at);
        QVERIFY(item->isSelected());
        QCOMPARE(pane.view->currentItem(), item);
        QTest::mouseRelease(pane.view->viewport(), Qt::RightButton, {}, at);
        QVERIFY(f.frame->IsCommandEnabled(pane.command));
        // Close the pop-up menu the click opened.
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }
}

void CWindowHabitsTest::linuxWordsAndKeys()
{
    CFrameFixture f(false);
    std::vector<std::string> opened;
    CGuiPrompts windowed{false};
    windowed.SetShellOpener([&](const std::string& url) { return opened.push_back(url), true; });
    f.core.SetPrompts(&windowed);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));

    // No words of another desktop.
    for (QAction* action : f.frame->actions())
        for (const QString& text : {action->statusTip(), action->toolTip(), action->text()})
            for (const char* word : {"Windows", "Explorer", "Tutorail", "harddrive"})
                QVERIFY2(!text.contains(word), qPrintable(text));

    // View Downloads opens the download folder, made first: before the first download it
    // does not exist.
    const std::string folder = f.dir.File("dl") + "/";
    QVERIFY(!std::filesystem::exists(folder));
    f.frame->ExecuteCommand(ID_VIEW_DOWNLOADS);
    QVERIFY(std::filesystem::is_directory(folder));
    QCOMPARE(opened, std::vector<std::string>{folder});

    // Enter downloads the selected files.
    QVERIFY(f.core.m_foundFiles.AddLocked(*new CUrl("http://a.example/1.zip")));
    CFileList* list = f.frame->FileView();
    list->setFocus();
    list->topLevelItem(0)->setSelected(true);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(list->topLevelItemCount(), 0);
    CUrl* queued = nullptr;
    QVERIFY(f.core.m_downloadQueue.Pop(queued));
    QCOMPARE(queued->m_url, std::string("http://a.example/1.zip"));
    f.core.m_urlStore.Release(CHolder::Counted, queued->m_url);

    // Ctrl+Q quits.
    QTest::keyClick(f.frame.get(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(f.frame->IsClosing());
    f.core.SetPrompts(&f.prompts);
}

void CWindowHabitsTest::messageBoxesCarryTheFittingIcon()
{
    CScratchDir dir;
    CTrawlerCore core{dir.Path(), dir.File("hvstr.log")};
    CGuiPrompts windowed{false};
    QList<QMessageBox::Icon> icons;
    windowed.SetDialogRunner(
        [&](QDialog& dialog)
        {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog))
                icons << box->icon();
            return int(QMessageBox::Ok);
        });
    core.SetPrompts(&windowed);
    windowed.ShowMessage("Harvestor", "No matching sites found.");
    QLineEdit field;
    field.setText("-5");
    std::int32_t value = 0;
    const CFieldRange range{"&Min Size (K):", 0, 10};
    QVERIFY(!ExchangeSigned(core, &field, value, &range));
    ReportFileError(core, CFileError(CFileError::Cause::kWriteFailed, "/x/options.dat", "full"));
    QCOMPARE(icons, (QList<QMessageBox::Icon>{QMessageBox::Information, QMessageBox::Warning,
                                              QMessageBox::Critical}));
    core.SetPrompts(nullptr);
}

QTEST_MAIN(CWindowHabitsTest)
#include "window_habits_test.moc"
