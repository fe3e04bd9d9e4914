#include "AppTestSupport.h"
#include "app/CommandIds.h"
#include "app/FileList.h"
#include "app/Upgrade.h"
#include "support/HostileServer.h"
#include "url/Url.h"

#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// Network work started from the window runs beside it: against a server that never answers,
// the window's thread keeps serving events, a progress window offers Cancel, and only the main
// window shows the busy cursor.
class CResponsiveWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void networkCommandsKeepTheWindowServing_data();
    void networkCommandsKeepTheWindowServing();

private:
    std::unique_ptr<CHostileServer> m_server;
};

namespace
{

// What the window's thread did while a command waited for the silent server.
struct CWhileWaiting
{
    int ticks = 0;
    bool statusShown = false;
    bool busyOnWindowOnly = false;
    bool progressOffered = false;
};

} // namespace

void CResponsiveWindowTest::init()
{
    m_server = std::make_unique<CHostileServer>();
    // Every request is taken and never answered.
    for (const char* path :
         {"/files/big.zip", "/harvestor/docs152/interface.htm", "/harvestor/docs152/upgrade.fil"})
        m_server->Handle(path, [](CHostileExchange& exchange) { return exchange.Stall(), false; });
    qputenv("HARVESTOR_SITE", QByteArray::fromStdString(m_server->Url("")));
}

void CResponsiveWindowTest::cleanup()
{
    qunsetenv("HARVESTOR_SITE");
    m_server->Release();
    m_server.reset();
}

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
    CFrameFixture f(false);
    CGuiPrompts windowed{false};
    QStringList messages;
    windowed.SetDialogRunner(
        [&](QDialog& dialog)
        {
            if (auto* box = qobject_cast<QMessageBox*>(&dialog))
                messages << box->text();
            return int(QDialog::Rejected);
        });
    f.core.SetPrompts(&windowed);
    QVERIFY(f.core.OpenSession("Hvstr152"));
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    const std::string url = m_server->Url(path.toStdString());
    if (command == ID_DETERMINE_SIZE)
    {
        QVERIFY(f.core.m_foundFiles.AddLocked(*new CUrl(url)));
        f.frame->FileView()->topLevelItem(0)->setSelected(true);
        f.frame->SetActivePane(CMainFrame::kFilePane);
    }

    CWhileWaiting seen;
    QTimer watcher;
    watcher.setInterval(20);
    QObject::connect(&watcher, &QTimer::timeout,
                     [&]
                     {
                         if (m_server->StallsBegun() == 0)
                             return;
                         // A worker's message reaches the window while the request waits.
                         if (++seen.ticks == 1)
                             f.core.m_frame.PostToMainFrame(WM_SET_STATUS, STATUS_TEXT,
                                                            CFramePayload::Text("still here"));
                         seen.statusShown |= f.frame->StatusPaneText(0) == "still here";
                         auto* progress =
                             qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
                         if (progress == nullptr || !progress->isVisible() || !seen.statusShown)
                             return;
                         seen.progressOffered = true;
                         seen.busyOnWindowOnly = f.frame->cursor().shape() == Qt::BusyCursor &&
                                                 QApplication::overrideCursor() == nullptr;
                         progress->findChild<QPushButton*>()->click();
                     });
    watcher.start();
    if (command == 0)
        QVERIFY(!CheckForUpgrade(f.frame.get(), f.core));
    else
        f.frame->ExecuteCommand(command);
    watcher.stop();

    QVERIFY(seen.ticks > 1);
    QVERIFY(seen.statusShown);
    QVERIFY(seen.progressOffered);
    QVERIFY(seen.busyOnWindowOnly);
    // Cancelled: nothing to report, the size stays unknown, the cursor is back.
    QCOMPARE(messages, QStringList{});
    QCOMPARE(f.frame->cursor().shape(), Qt::ArrowCursor);
    if (command == ID_DETERMINE_SIZE)
    {
        QCOMPARE(f.frame->FileView()->topLevelItem(0)->text(CFileList::kSizeColumn), QString());
        QVERIFY(f.core.m_urlStore.Find(url)->m_usable);
    }
    f.core.SetPrompts(&f.prompts);
}

QTEST_MAIN(CResponsiveWindowTest)
#include "responsive_window_test.moc"
