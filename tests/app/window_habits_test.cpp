#include "ModalDriver.h"
#include "app/AddSiteDlg.h"
#include "app/AppMessages.h"
#include "app/CommandIds.h"
#include "app/CommandTable.h"
#include "app/ExchangeFields.h"
#include "app/FileList.h"
#include "app/HistoryCombo.h"
#include "app/ScreenPlacement.h"
#include "app/StatsDlg.h"
#include "app/UrlList.h"
#include "platform/AtomicFile.h"
#include "platform/FileError.h"
#include "settings/HistoryFile.h"
#include "url/Url.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <filesystem>
#include <map>
#include <span>

// What a desktop user meets on the window itself: windows that come back where they were,
// restored bars, the entry history depth, a right click that selects.
class CWindowHabitsTest : public QObject
{
    Q_OBJECT

private slots:
    void statisticsComeBackExactlyWhereTheyWere();
    void placementOffEveryScreenMovesOntoTheNearest_data();
    void placementOffEveryScreenMovesOntoTheNearest();
    void barsAndPlacementAreRestored();
    void entryHistoryDepthLimitsTheOfferedEntries();
    void rightClickSelectsTheItemUnderTheCursor();
    void linuxWordsAndKeys();
    void messageBoxesCarryTheFittingIcon();
    void everyCommandHasOneWording();
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

// A new main window over the same settings, as after a restart.
void Restart(CFrameFixture& f, bool headless)
{
    f.frame.reset();
    f.frame = std::make_unique<CMainFrame>(f.engine, f.doc, headless);
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
    // Closed and opened again, then after a restart with the statistics left open.
    for (int round = 0; round < 4; ++round)
    {
        if (round < 3)
            f.frame->ExecuteCommand(ID_VIEW_STATS), f.frame->DeliverPendingMessages();
        else
            Restart(f, false);
        stats = OpenStatistics(*f.frame);
        QVERIFY(stats != nullptr);
        QCOMPARE(stats->geometry().topLeft(), placed);
        QCOMPARE(stats->pos(), target);
    }
}

void CWindowHabitsTest::placementOffEveryScreenMovesOntoTheNearest_data()
{
    QTest::addColumn<QRect>("stored");
    QTest::addColumn<QRect>("placed");
    const auto row = [](const char* name, QRect stored, QRect placed)
    { QTest::newRow(name) << stored << placed; };
    row("on the first", {100, 100, 800, 600}, {100, 100, 800, 600});
    row("across both", {1500, 50, 800, 600}, {1500, 50, 800, 600});
    row("title above the top", {100, -200, 800, 600}, {100, 0, 800, 600});
    row("right of the second", {4000, 300, 800, 600}, {2400, 300, 800, 600});
    row("far left", {-3000, 900, 800, 600}, {0, 480, 800, 600});
    row("larger than the screen", {-5000, -5000, 4000, 3000}, {0, 0, 1920, 1080});
}

void CWindowHabitsTest::placementOffEveryScreenMovesOntoTheNearest()
{
    QFETCH(QRect, stored);
    QFETCH(QRect, placed);
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    QCOMPARE(PlaceOnScreens(stored, screens), placed);
}

void CWindowHabitsTest::barsAndPlacementAreRestored()
{
    CFrameFixture f;
    QVERIFY(!f.frame->statusBar()->isHidden());
    f.frame->ExecuteCommand(ID_VIEW_STATUS_BAR);
    f.frame->ExecuteCommand(ID_VIEW_TOOLBAR);
    QVERIFY(f.frame->statusBar()->isHidden());
    f.frame.reset();
    // A placement stored off every screen comes back on one.
    EditOptions(f.engine,
                [](COptions& stored)
                {
                    stored.m_windowLeft = stored.m_windowTop = 90000;
                    stored.m_windowWidth = 300;
                    stored.m_windowHeight = 200;
                });
    f.frame = std::make_unique<CMainFrame>(f.engine, f.doc, true);
    QVERIFY(f.frame->screen()->availableGeometry().intersects(f.frame->geometry()));
    QVERIFY(f.frame->statusBar()->isHidden());
    QVERIFY(f.frame->ToolBar()->isHidden());
    QVERIFY(!f.frame->IsCommandChecked(ID_VIEW_STATUS_BAR));
    f.frame->ExecuteCommand(ID_VIEW_STATUS_BAR);
    Restart(f, true);
    QVERIFY(!f.frame->statusBar()->isHidden());
}

void CWindowHabitsTest::entryHistoryDepthLimitsTheOfferedEntries()
{
    CRecordingFixture f;
    WriteFileAtomically(f.dir.File("url.dat"),
                        BuildHistoryBytes("http://a/", {"http://b/", "http://c/", "http://d/"}));
    for (const std::uint32_t depth : {1u, 3u, 7u})
    {
        EditOptions(f.engine, [&](COptions& o) { o.m_entryHistoryDepth = depth; });
        CAddSiteDlg dialog(f.engine);
        QCOMPARE(dialog.SiteCombo()->count(), static_cast<int>(std::min(depth, 4u)));
        QCOMPARE(dialog.SiteCombo()->currentText(), QString("http://a/"));
    }
}

void CWindowHabitsTest::rightClickSelectsTheItemUnderTheCursor()
{
    CFrameFixture f(false);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    CUrl sites[]{CUrl("http://a.example/"), CUrl("http://b.example/")};
    for (CUrl& site : sites)
    {
        f.frame->SiteView()->InsertNode("", site.m_url, site.IsVisited());
        f.frame->FileView()->InsertItem(site.m_url + "1.zip", "");
    }
    f.frame->DeliverPendingMessages();
    QCoreApplication::processEvents();
    // Each pane with a command enabled only with a selection.
    for (const auto& [view, command] :
         {std::pair<QTreeWidget*, int>{f.frame->SiteView(), ID_OPEN_SITE},
          std::pair<QTreeWidget*, int>{f.frame->FileView(), ID_DOWNLOAD_SELECTED}})
    {
        QTreeWidgetItem* item = view->topLevelItem(1);
        QVERIFY(item != nullptr && !item->isSelected());
        const QPoint at = view->visualItemRect(item).center();
        QTest::mousePress(view->viewport(), Qt::RightButton, {}, at);
        QVERIFY(item->isSelected());
        QCOMPARE(view->currentItem(), item);
        QTest::mouseRelease(view->viewport(), Qt::RightButton, {}, at);
        QVERIFY(f.frame->IsCommandEnabled(command));
        // Close the pop-up menu the click opened.
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }
}

void CWindowHabitsTest::linuxWordsAndKeys()
{
    CRecordingFixture f;
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
    QCOMPARE(f.opened, std::vector<std::string>{folder});

    // Enter downloads the selected files.
    const std::string file = "http://a.example/1.zip";
    QVERIFY(f.engine.ListFile(file));
    CFileList* list = f.frame->FileView();
    list->setFocus();
    list->topLevelItem(0)->setSelected(true);
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(list->topLevelItemCount(), 0);
    // The queue holds the file's record now; the list does not.
    QCOMPARE(f.engine.PendingDownloads(), 1u);
    QVERIFY(f.engine.RecordState(file).known && !f.engine.RecordState(file).inFileList);

    // Ctrl+Q quits, after asking while a file waits for its download: the box's default
    // answer keeps the window.
    QTest::keyClick(f.frame.get(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!f.frame->IsClosing());
    QCOMPARE(f.messages.back(), QString("Harvestor: A file is still being downloaded."));
    f.recording.SetDialogRunner(
        [](QDialog& dialog)
        {
            auto* box = qobject_cast<QMessageBox*>(&dialog);
            for (QAbstractButton* button : box->buttons())
                if (box->buttonRole(button) == QMessageBox::AcceptRole)
                    button->click();
            return box->result();
        });
    QTest::keyClick(f.frame.get(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(f.frame->IsClosing());
}

void CWindowHabitsTest::messageBoxesCarryTheFittingIcon()
{
    CRecordingFixture f;
    QList<QMessageBox::Icon> icons;
    f.recording.SetDialogRunner(
        [&](QDialog& dialog)
        {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog))
                icons << box->icon();
            return int(QMessageBox::Ok);
        });
    f.recording.ShowMessage("Harvestor", "No matching sites found.");
    QLineEdit field("-5");
    std::int32_t value = 0;
    const CFieldRange range{"&Min Size (K):", 0, 10};
    QVERIFY(!ExchangeSigned(f.engine.Prompts(), &field, value, &range));
    f.engine.ReportFileError(CFileError(CFileError::Cause::kWriteFailed, "/x/options.dat", "full"));
    QCOMPARE(icons, (QList<QMessageBox::Icon>{QMessageBox::Information, QMessageBox::Warning,
                                              QMessageBox::Critical}));
}

// A context menu item says what the main menu says for the same command: the user learns one
// name per command.
void CWindowHabitsTest::everyCommandHasOneWording()
{
    const auto plain = [](QString text)
    {
        text.remove(QLatin1Char('&'));
        if (text.endsWith(QLatin1String("...")))
            text.chop(3);
        return text;
    };
    std::map<int, QString> menuText;
    for (const CMenuInfo& menu : MainMenu())
        for (const CMenuItem& item : menu.items)
            if (item.id != 0)
                menuText[item.id] = plain(QString::fromLatin1(item.text));
    // The popups' Remove acts on their own pane: the main menu names it per pane.
    const std::pair<std::span<const CMenuItem>, int> popups[] = {
        {SitePopupMenu(), ID_REMOVE_SITE}, {FilePopupMenu(), ID_REMOVE_FILES}};
    for (const auto& [popup, removeId] : popups)
        for (const CMenuItem& item : popup)
        {
            const int id = item.id == ID_REMOVE ? removeId : item.id;
            if (menuText.contains(id))
                QCOMPARE(plain(QString::fromLatin1(item.text)), menuText[id]);
        }
}

QTEST_MAIN(CWindowHabitsTest)
#include "window_habits_test.moc"
