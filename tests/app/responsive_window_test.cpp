#include "ModalDriver.h"
#include "app/CommandIds.h"
#include "app/FileList.h"
#include "app/Upgrade.h"
#include "support/HostileServer.h"
#include "url/Url.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QTest>

// Network work started from the window runs beside it: against a server that never answers,
// the window's thread keeps serving events, a progress window offers Cancel, and only the main
// window shows the busy cursor.
class CResponsiveWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void networkCommandsKeepTheWindowServing_data();
    void networkCommandsKeepTheWindowServing();
};

void CResponsiveWindowTest::networkCommandsKeepTheWindowServing_data()
{
    QTest::addColumn<int>("command"); // 0: the upgrade check of start-up
    QTest::addColumn<QString>("path");
    QTest::newRow("determine file size") << int(ID_DETERMINE_SIZE) << "/files/big.zip";
    QTest::newRow("help") << int(ID_HELP_CONTENTS) << "/harvestor/docs152/interface.htm";
    QTest::newRow("upgrade check") << 0 << "/harvestor/docs152/upgrade.fil";
}

void CResponsiveWindowTest::networkCommandsKeepTheWindowServing()
{
    QFETCH(int, command);
    QFETCH(QString, path);
    CHostileServer server; // takes the request and never answers
    server.Handle(path.toStdString(),
                  [](CHostileExchange& exchange) { return exchange.Stall(), false; });
    qputenv("HARVESTOR_SITE", QByteArray::fromStdString(server.Url("")));
    // No copy of the pages on disk: Help asks the site.
    qputenv("HARVESTOR_DOCS", "/nonexistent");
    CRecordingFixture f;
    QVERIFY(f.engine.Open("Hvstr152"));
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    const std::string url = server.Url(path.toStdString());
    if (command == ID_DETERMINE_SIZE)
    {
        QVERIFY(f.engine.ListFile(url));
        f.frame->FileView()->topLevelItem(0)->setSelected(true);
        f.frame->SetActivePane(CMainFrame::kFilePane);
    }

    // What the window's thread does while the command waits for the silent server.
    int ticks = 0;
    bool statusShown = false;
    bool progressOffered = false;
    bool busyOnWindowOnly = false;
    QTimer watcher;
    watcher.setInterval(20);
    QObject::connect(&watcher, &QTimer::timeout,
                     [&]
                     {
                         if (server.StallsBegun() == 0)
                             return;
                         // A worker's message reaches the window while the request waits.
                         if (++ticks == 1)
                             f.frame->Messages().OnEvent(CStatusTextEvent{"still here"});
                         statusShown |= f.frame->StatusPaneText(0) == "still here";
                         auto* progress =
                             qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
                         if (progress == nullptr || !progress->isVisible() || !statusShown)
                             return;
                         progressOffered = true;
                         busyOnWindowOnly = f.frame->cursor().shape() == Qt::BusyCursor &&
                                            QApplication::overrideCursor() == nullptr;
                         progress->findChild<QPushButton*>()->click();
                     });
    watcher.start();
    if (command == 0)
        QVERIFY(!CheckForUpgrade(f.frame.get(), f.engine));
    else
        f.frame->ExecuteCommand(command);
    watcher.stop();
    qunsetenv("HARVESTOR_SITE");
    qunsetenv("HARVESTOR_DOCS");

    QVERIFY(ticks > 1 && statusShown && progressOffered && busyOnWindowOnly);
    // Cancelled: nothing to report, the size stays unknown, the cursor is back.
    QCOMPARE(f.messages, QStringList{});
    QCOMPARE(f.frame->cursor().shape(), Qt::ArrowCursor);
    if (command == ID_DETERMINE_SIZE)
    {
        QCOMPARE(f.frame->FileView()->topLevelItem(0)->text(CFileList::kSizeColumn), QString());
        QVERIFY(f.engine.RecordState(url).usable);
    }
}

QTEST_MAIN(CResponsiveWindowTest)
#include "responsive_window_test.moc"
