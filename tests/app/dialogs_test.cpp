#include "AppTestSupport.h"
#include "DialogTestSupport.h"
#include "app/AboutDlg.h"
#include "app/AddSiteDlg.h"
#include "app/FindDlg.h"
#include "app/HistoryCombo.h"
#include "app/HyperlinkButton.h"
#include "app/StatsDlg.h"
#include "settings/HistoryFile.h"
#include "support/FileBytes.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QRadioButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

using namespace std::string_literals;

// The small dialogs: the entry histories, Add Site, Find, the statistics window, the About box.
class CDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void historyFileBytes();
    void addSiteKeepsTheFiveNewestEntries();
    void addSiteCompletesTheSiteText_data();
    void addSiteCompletesTheSiteText();
    void findSavesItsHistoryOnCancelAndSurvivesDamage();
    void statisticsShowTheCountersAndReopenWhereClosed();
    void aboutLinkOpensTheMakerSite();
    void addSiteShowsAnExampleAndRemembersTheMode();
    void startupAboutBoxNeitherWaitsNorStays();
};

namespace
{

struct CDialogFixture
{
    CScratchDir dir;
    CEngine engine{dir.Path(), dir.File("hvstr.log")};
    CRecordingPrompts prompts;

    CDialogFixture() { engine.SetPrompts(&prompts); }
    ~CDialogFixture() { engine.SetPrompts(nullptr); }
};

QStringList Entries(const CHistoryCombo& combo)
{
    QStringList entries;
    for (int i = 0; i < combo.count(); ++i)
        entries << combo.itemText(i);
    return entries;
}

} // namespace

void CDialogsTest::historyFileBytes()
{
    QCOMPARE(BuildHistoryBytes("abc", {}), "\x01\0\0\0\x03"
                                           "abc"s);
    QCOMPARE(BuildHistoryBytes("ab", {"abc"}), "\x02\0\0\0\x02"
                                               "ab\x03"
                                               "abc"s);
    // At most five entries are read, whatever the count says.
    const std::string seven = BuildHistoryBytes("1", {"2", "3", "4", "5", "6", "7"});
    QCOMPARE(ParseHistory(seven, "h.dat").entries,
             (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    // Damaged: what came before the damage is kept, and the error names the file.
    const CHistoryRead cut = ParseHistory("\xff\xff\xff\xff\x03one\x09tw"s, "h.dat");
    QCOMPARE(cut.entries, std::vector<std::string>{"one"});
    QVERIFY(cut.error.find("h.dat") != std::string::npos);
}

void CDialogsTest::addSiteKeepsTheFiveNewestEntries()
{
    CDialogFixture f;
    auto enter = [&](const std::string& text)
    {
        CAddSiteDlg dialog(f.engine);
        dialog.SiteCombo()->SetText(text);
        dialog.accept();
    };
    for (int i = 1; i <= 6; ++i)
        enter("http://s" + std::to_string(i) + ".test/");
    {
        CAddSiteDlg dialog(f.engine);
        QCOMPARE(Entries(*dialog.SiteCombo()),
                 (QStringList{"http://s6.test/", "http://s5.test/", "http://s4.test/",
                              "http://s3.test/", "http://s2.test/"}));
        QCOMPARE(dialog.SiteCombo()->currentText(), QString("http://s6.test/"));
    }
    // An entry already in the list moves to the top, once; Cancel saves nothing.
    enter("http://s3.test/");
    {
        CAddSiteDlg dialog(f.engine);
        QCOMPARE(Entries(*dialog.SiteCombo()),
                 (QStringList{"http://s3.test/", "http://s6.test/", "http://s5.test/",
                              "http://s4.test/", "http://s2.test/"}));
        dialog.SiteCombo()->SetText("http://never.test/");
        dialog.reject();
    }
    QCOMPARE(CAddSiteDlg(f.engine).SiteCombo()->currentText(), QString("http://s3.test/"));
}

void CDialogsTest::addSiteCompletesTheSiteText_data()
{
    QTest::addColumn<QString>("entered");
    QTest::addColumn<QString>("site");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("closes");

    QTest::newRow("bare host") << "www.example.com"
                               << "http://www.example.com"
                               << "http://www.example.com" << true;
    QTest::newRow("port without scheme") << "localhost:8080/x"
                                         << "http://localhost:8080/x"
                                         << "http://localhost:8080/x" << true;
    QTest::newRow("scheme kept") << "ftp://h.test/x"
                                 << "ftp://h.test/x"
                                 << "ftp://h.test/x" << true;
    QTest::newRow("fragment cut") << "h.test/p.html#part"
                                  << "http://h.test/p.html"
                                  << "http://h.test/p.html#part" << true;
    QTest::newRow("empty") << ""
                           << "http://"
                           << "http://" << true;
    QTest::newRow("nothing left") << "#top://x"
                                  << ""
                                  << "#top://x" << false;
}

void CDialogsTest::addSiteCompletesTheSiteText()
{
    QFETCH(QString, entered);
    QFETCH(QString, site);
    QFETCH(QString, field);
    QFETCH(bool, closes);

    CDialogFixture f;
    EditOptions(f.engine, [&](COptions& o) { o.m_defaultMode = 1; });
    CAddSiteDlg dialog(f.engine);
    QCOMPARE(dialog.ModeButton(2)->text(), QString("Find files from Links"));
    QVERIFY(dialog.ModeButton(1)->isChecked());
    dialog.ModeButton(2)->click();
    dialog.SiteCombo()->setEditText(entered);
    dialog.accept();
    QCOMPARE(dialog.result() == QDialog::Accepted, closes);
    QCOMPARE(QString::fromStdString(dialog.SiteText()), site);
    QCOMPARE(dialog.SiteCombo()->currentText(), field);
    QCOMPARE(std::filesystem::exists(f.dir.File("url.dat")), closes);
    QCOMPARE(dialog.ModeIndex(), 2);
}

void CDialogsTest::findSavesItsHistoryOnCancelAndSurvivesDamage()
{
    CDialogFixture f;
    {
        CFindDlg dialog(false, "findfile.dat", f.engine);
        dialog.SearchCombo()->SetText("needle");
        dialog.reject();
    }
    QCOMPARE(ReadFileBytes(f.dir.File("findfile.dat")), BuildHistoryBytes("needle", {}));

    WriteFileBytes(f.dir.File("findfile.dat"), "\x03\0\0\0\x03one\x05tw"s);
    CFindDlg dialog(false, "findfile.dat", f.engine);
    QCOMPARE(Entries(*dialog.SearchCombo()), QStringList{"one"});
    QCOMPARE(f.prompts.Messages().size(), std::size_t{1});
    QCOMPARE(f.prompts.Messages()[0].caption, "Harvestor"s);
}

void CDialogsTest::statisticsShowTheCountersAndReopenWhereClosed()
{
    CDialogFixture f;
    CEngineStats stats;
    stats.foundSites = 3;
    stats.receivedBytes = 5000000000u; // above 32 bits
    stats.runningBrowses = 1;
    stats.robotsDisallowed = 7;
    stats.retries = 2;
    stats.siteWaits = 1;
    const auto read = [&stats] { return stats; };
    {
        CStatsDlg dialog(read, nullptr);
        QSignalSpy closed(&dialog, &CStatsDlg::closed);
        const QStringList expected{"3", "0", "1", "0", "0", "0", "4.7 GB", "0", "7", "2", "1"};
        for (int field = 0; field < CStatsDlg::kFieldCount; ++field)
            QCOMPARE(dialog.FieldText(field), expected[field]);
        stats.receivedBytes = 72721282;
        dialog.Refresh();
        QCOMPARE(dialog.FieldText(6), QString("69.4 MB"));
        stats.receivedFiles = 6;
        QVERIFY(QTest::qWaitFor([&] { return dialog.FieldText(5) == "6"; }, 5000));

        dialog.move(123, 45);
        dialog.Destroy();
        dialog.Destroy();
        QCOMPARE(closed.count(), 1);
    }
    QCOMPARE(QSettings("Quillfen", "Harvestor").value("Stats/LeftPos").toInt(), 123);
    QCOMPARE(CStatsDlg(read, nullptr).geometry().topLeft(), QPoint(123, 45));
}

void CDialogsTest::aboutLinkOpensTheMakerSite()
{
    qputenv("HARVESTOR_SITE", "http://127.0.0.1:9/");
    CAboutDlg about;
    CHyperlinkButton* link = about.Link();
    QCOMPARE(link->text(), QString("127.0.0.1:9"));
    QVERIFY(link->font().underline());
    // Drawn in the theme's link colour, readable on a dark window too.
    QCOMPARE(link->palette().color(QPalette::Link), about.palette().color(QPalette::Link));
    QStringList opened;
    QString said;
    link->SetOpener([&](const QString& url) { return opened << url, false; });
    AnswerNextDialog<QMessageBox>(
        [&](QMessageBox& box)
        {
            said = box.text();
            box.accept();
        });
    link->click();
    QCOMPARE(opened, QStringList{"http://127.0.0.1:9/"});
    QCOMPARE(said, QString("Could not open http://127.0.0.1:9/: no program on this computer is "
                           "set up to open it."));
    qunsetenv("HARVESTOR_SITE");
}

void CDialogsTest::addSiteShowsAnExampleAndRemembersTheMode()
{
    CDialogFixture f;
    {
        CAddSiteDlg dialog(f.engine);
        QVERIFY(dialog.SiteCombo()->currentText().isEmpty());
        QVERIFY(dialog.SiteCombo()->lineEdit()->placeholderText().startsWith("https://"));
        QVERIFY(dialog.findChild<QLabel*>("example")->text().contains("https://"));
        QVERIFY(dialog.ModeButton(0)->isChecked());
        dialog.ModeButton(1)->click();
        dialog.SiteCombo()->SetText("http://a.test/");
        dialog.accept();
    }
    // Cancel keeps the mode of the last OK.
    {
        CAddSiteDlg dialog(f.engine);
        QVERIFY(dialog.ModeButton(1)->isChecked());
        dialog.ModeButton(2)->click();
        dialog.reject();
    }
    QVERIFY(CAddSiteDlg(f.engine).ModeButton(1)->isChecked());
}

void CDialogsTest::startupAboutBoxNeitherWaitsNorStays()
{
    QWidget owner;
    owner.show();
    // Clicked: it goes at once; nothing waited for it.
    QPointer<CAboutDlg> clicked = CAboutDlg::ShowAtStartup(&owner);
    QVERIFY(clicked->isVisible());
    QVERIFY(!clicked->isModal());
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    QTest::mouseClick(clicked, Qt::LeftButton, {}, QPoint(5, 5));
    QTRY_VERIFY(clicked.isNull());
    // Left alone: it closes itself.
    QPointer<CAboutDlg> left = CAboutDlg::ShowAtStartup(&owner, std::chrono::milliseconds(50));
    QVERIFY(left->isVisible());
    QTRY_VERIFY(left.isNull());
}

QTEST_MAIN(CDialogsTest)
#include "dialogs_test.moc"
