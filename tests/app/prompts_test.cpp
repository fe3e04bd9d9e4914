#include "app/GuiPrompts.h"
#include "app/PasswordDlg.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QTest>
#include <QThread>
#include <atomic>
#include <thread>

// The prompts that workers raise run their dialogs on the user-interface thread and block the
// worker until answered; headless they answer at once without a window.
class CPromptsTest : public QObject
{
    Q_OBJECT

private slots:
    void loginFromAWorkerRunsOnTheGuiThread();
    void messageBoxCarriesTheProgramName();
    void headlessAnswersWithoutWindows();
};

void CPromptsTest::loginFromAWorkerRunsOnTheGuiThread()
{
    CGuiPrompts prompts(false);
    QThread* guiThread = QThread::currentThread();
    bool ranOnGui = false;
    QString shownServer;
    QString shownUser;
    prompts.SetDialogRunner(
        [&](QDialog& dialog)
        {
            ranOnGui = QThread::currentThread() == guiThread;
            auto* login = qobject_cast<CPasswordDlg*>(&dialog);
            if (login == nullptr)
                return int(QDialog::Rejected);
            shownServer = login->Server();
            shownUser = login->UserName();
            login->SetUserName("alice");
            login->SetPassword("s3cret");
            return int(QDialog::Accepted);
        });

    std::string user = "previous";
    std::string password;
    std::atomic<int> answer{-1};
    std::thread worker([&] { answer = prompts.AskLogin("files.test", user, password) ? 1 : 0; });
    QVERIFY(QTest::qWaitFor([&] { return answer.load() != -1; }));
    worker.join();
    QCOMPARE(answer.load(), 1);
    QVERIFY(ranOnGui);
    QCOMPARE(shownServer, QString("files.test"));
    QCOMPARE(shownUser, QString("previous"));
    QCOMPARE(user, std::string("alice"));
    QCOMPARE(password, std::string("s3cret"));
}

void CPromptsTest::messageBoxCarriesTheProgramName()
{
    CGuiPrompts prompts(false);
    QString caption;
    QString text;
    prompts.SetDialogRunner(
        [&](QDialog& dialog)
        {
            auto* box = qobject_cast<QMessageBox*>(&dialog);
            caption = box->windowTitle();
            text = box->text();
            return int(QMessageBox::Ok);
        });
    std::thread worker([&] { prompts.ShowMessage("", "Failed to open /tmp/x"); });
    QVERIFY(QTest::qWaitFor([&] { return !text.isEmpty(); }));
    worker.join();
    QCOMPARE(caption, QString("Harvestor"));
    QCOMPARE(text, QString("Failed to open /tmp/x"));
}

void CPromptsTest::headlessAnswersWithoutWindows()
{
    CGuiPrompts prompts(true);
    bool dialogRan = false;
    bool opened = false;
    prompts.SetDialogRunner(
        [&](QDialog&)
        {
            dialogRan = true;
            return int(QDialog::Accepted);
        });
    prompts.SetShellOpener(
        [&](const std::string&)
        {
            opened = true;
            return true;
        });
    std::string user;
    std::string password;
    QVERIFY(!prompts.AskLogin("h", user, password));
    QVERIFY(!prompts.OpenWithShell("http://a.test/"));
    prompts.ShowMessage("Harvestor", "a message for standard error");
    QVERIFY(!dialogRan);
    QVERIFY(!opened);
}

QTEST_MAIN(CPromptsTest)
#include "prompts_test.moc"
