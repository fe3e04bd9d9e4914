#include "AppTestSupport.h"
#include "DialogTestSupport.h"
#include "app/AboutDlg.h"
#include "app/AddSiteDlg.h"
#include "app/FindDlg.h"
#include "app/GuiSeams.h"
#include "app/HistoryCombo.h"
#include "app/HistoryFile.h"
#include "app/HyperlinkButton.h"
#include "app/StatsDlg.h"
#include "support/FileBytes.h"

#include <QRadioButton>
#include <QSettings>
#include <QTest>
#include <filesystem>

using namespace std::string_literals;

// The small dialogs: the entry histories, Add Site, Find, the statistics window and the About
// box.
class CDialogsTest : public QObject
{
    Q_OBJECT

private slots:
    void historyFileBytes();
    void addSiteKeepsTheFiveNewestEntries();
    void addSiteCompletesTheSiteText_data();
    void addSiteCompletesTheSiteText();
    void addSiteOffersTheModesByName();
    void findOffersItsChoicesAndAlwaysSavesItsHistory();
    void damagedHistoryOpensWithWhatWasRead();
    void statisticsShowTheCountersAndReopenWhereClosed();
    void aboutBoxLinksToTheMakerSite();
};

namespace
{

// A core on a fresh working directory whose prompts are recorded.
struct CDialogFixture
{
    CScratchDir dir;
    CTrawlerCore core{dir.Path(), dir.File("hvstr.log")};
    CRecordingPrompts prompts;

    CDialogFixture() { core.SetPrompts(&prompts); }
    ~CDialogFixture() { core.SetPrompts(nullptr); }
};

QStringList Entries(const CHistoryCombo& combo)
{
    QStringList entries;
    for (int i = 0; i < combo.count(); ++i)
        entries << combo.itemText(i);
    return entries;
}

// Enters text in a new Add Site dialog and presses OK.
void EnterSite(CTrawlerCore& core, const std::string& text)
{
    CAddSiteDlg dialog(core);
    dialog.SiteCombo()->SetText(text);
    dialog.accept();
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
}

} // namespace

void CDialogsTest::historyFileBytes()
{
    // Written: the edit text first, then the other list entries in list order.
    QCOMPARE(BuildHistoryBytes("abc", {}), "\x01\0\0\0\x03"
                                           "abc"s);
    QCOMPARE(BuildHistoryBytes("ab", {"abc"}), "\x02\0\0\0\x02"
                                               "ab\x03"
                                               "abc"s);
    QCOMPARE(BuildHistoryBytes("b", {"a", "b", "c"}), "\x03\0\0\0\x01"
                                                      "b\x01"
                                                      "a\x01"
                                                      "c"s);

    // Read: at most five entries, whatever the count says.
    const std::string seven = BuildHistoryBytes("1", {"2", "3", "4", "5", "6", "7"});
    const CHistoryRead five = ParseHistory(seven, "h.dat");
    QCOMPARE(five.entries, (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    QVERIFY(five.error.empty());
    QVERIFY(ParseHistory("\0\0\0\0"s, "h.dat").entries.empty());
    QVERIFY(ParseHistory("\0\0\0\0"s, "h.dat").error.empty());

    // Damaged: what came before the damage is kept, and the error names the file.
    const CHistoryRead cut = ParseHistory("\x03\0\0\0\x03one\x09tw"s, "h.dat");
    QCOMPARE(cut.entries, std::vector<std::string>{"one"});
    QVERIFY(cut.error.find("h.dat") != std::string::npos);
    QVERIFY(!ParseHistory("\x01\0"s, "h.dat").error.empty());
    // A huge count asks for nothing the file does not hold.
    QCOMPARE(ParseHistory("\xff\xff\xff\xff\x01x"s, "h.dat").entries.size(), std::size_t{1});
}

void CDialogsTest::addSiteKeepsTheFiveNewestEntries()
{
    CDialogFixture f;
    {
        CAddSiteDlg empty(f.core);
        QCOMPARE(empty.SiteCombo()->count(), 0);
        QCOMPARE(empty.SiteCombo()->currentText(), QString());
    }
    for (int i = 1; i <= 6; ++i)
        EnterSite(f.core, "http://s" + std::to_string(i) + ".test/");
    // The sixth save wrote all six; a load reads five.
    QCOMPARE(ReadFileBytes(f.dir.File("url.dat")).substr(0, 4), "\x06\0\0\0"s);
    {
        CAddSiteDlg dialog(f.core);
        QCOMPARE(Entries(*dialog.SiteCombo()),
                 (QStringList{"http://s6.test/", "http://s5.test/", "http://s4.test/",
                              "http://s3.test/", "http://s2.test/"}));
        QCOMPARE(dialog.SiteCombo()->currentText(), QString("http://s6.test/"));
    }

    // An entry that is in the list already moves to the top, once.
    EnterSite(f.core, "http://s3.test/");
    {
        CAddSiteDlg dialog(f.core);
        QCOMPARE(Entries(*dialog.SiteCombo()),
                 (QStringList{"http://s3.test/", "http://s6.test/", "http://s5.test/",
                              "http://s4.test/", "http://s2.test/"}));
        // Cancel leaves the history alone.
        dialog.SiteCombo()->SetText("http://never.test/");
        dialog.reject();
    }
    CAddSiteDlg again(f.core);
    QCOMPARE(again.SiteCombo()->currentText(), QString("http://s3.test/"));
    QVERIFY(f.prompts.Messages().empty());
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
    QTest::newRow("scheme kept") << "https://h.test/a"
                                 << "https://h.test/a"
                                 << "https://h.test/a" << true;
    QTest::newRow("port is a colon") << "h.test:8080/x"
                                     << "h.test:8080/x"
                                     << "h.test:8080/x" << true;
    QTest::newRow("fragment cut") << "h.test/page.html#part"
                                  << "http://h.test/page.html"
                                  << "http://h.test/page.html#part" << true;
    QTest::newRow("empty") << ""
                           << "http://"
                           << "http://" << true;
    QTest::newRow("nothing before fragment") << "#top:x"
                                             << ""
                                             << "#top:x" << false;
}

void CDialogsTest::addSiteCompletesTheSiteText()
{
    QFETCH(QString, entered);
    QFETCH(QString, site);
    QFETCH(QString, field);
    QFETCH(bool, closes);

    CDialogFixture f;
    CAddSiteDlg dialog(f.core);
    dialog.SiteCombo()->setEditText(entered);
    dialog.accept();
    QCOMPARE(dialog.result() == QDialog::Accepted, closes);
    QCOMPARE(QString::fromStdString(dialog.SiteText()), site);
    QCOMPARE(dialog.SiteCombo()->currentText(), field);
    QCOMPARE(std::filesystem::exists(f.dir.File("url.dat")), closes);
}

void CDialogsTest::addSiteOffersTheModesByName()
{
    CDialogFixture f;
    f.core.m_options.m_defaultMode = 1;
    CAddSiteDlg dialog(f.core);
    QCOMPARE(dialog.ModeButton(0)->text(), QString("Find files on Page"));
    QCOMPARE(dialog.ModeButton(1)->text(), QString("Find files on Site"));
    QCOMPARE(dialog.ModeButton(2)->text(), QString("Find files from Links"));
    QVERIFY(dialog.ModeButton(1)->isChecked());
    dialog.ModeButton(2)->click();
    dialog.SiteCombo()->SetText("h.test");
    dialog.accept();
    QCOMPARE(dialog.ModeIndex(), 2);

    // A default mode out of range chooses the first mode.
    f.core.m_options.m_defaultMode = 7;
    CAddSiteDlg other(f.core);
    QVERIFY(other.ModeButton(0)->isChecked());
}

void CDialogsTest::findOffersItsChoicesAndAlwaysSavesItsHistory()
{
    CDialogFixture f;
    {
        CFindDlg sites(true, "findsite.dat", f.core);
        QVERIFY(!sites.FindOneButton()->isEnabled());
        QVERIFY(!sites.FindAllButton()->isEnabled());
        QVERIFY(!sites.FindAll());
        sites.SearchCombo()->SetText("mp3");
        sites.accept();
        QCOMPARE(sites.SearchText(), "mp3"s);
    }
    {
        CFindDlg files(false, "findfile.dat", f.core);
        QVERIFY(files.FindAllButton()->isChecked());
        QVERIFY(files.FindAll());
        files.FindOneButton()->click();
        QVERIFY(!files.FindAll());
        files.SearchCombo()->SetText("needle");
        files.reject(); // saved all the same
    }
    QCOMPARE(ReadFileBytes(f.dir.File("findfile.dat")), BuildHistoryBytes("needle", {}));
    QCOMPARE(ReadFileBytes(f.dir.File("findsite.dat")), BuildHistoryBytes("mp3", {}));
    CFindDlg again(false, "findfile.dat", f.core);
    QCOMPARE(again.SearchCombo()->currentText(), QString("needle"));
}

void CDialogsTest::damagedHistoryOpensWithWhatWasRead()
{
    CDialogFixture f;
    WriteFileBytes(f.dir.File("findfile.dat"), "\x03\0\0\0\x03one\x05tw"s);
    CFindDlg dialog(false, "findfile.dat", f.core);
    QCOMPARE(Entries(*dialog.SearchCombo()), QStringList{"one"});
    QCOMPARE(dialog.SearchCombo()->currentText(), QString("one"));
    const auto messages = f.prompts.Messages();
    QCOMPARE(messages.size(), std::size_t{1});
    QCOMPARE(messages[0].caption, "Harvestor"s);
    QVERIFY(messages[0].text.find("findfile.dat") != std::string::npos);

    // A file that cannot be written is no error of the dialog's.
    CHistoryCombo unwritable("no-such-dir/h.dat", f.dir.Path());
    unwritable.SetText("x");
    QVERIFY(!unwritable.Load());
    QVERIFY(!unwritable.Save());
}

void CDialogsTest::statisticsShowTheCountersAndReopenWhereClosed()
{
    CDialogFixture f;
    CStatistics& stats = f.core.m_stats;
    stats.m_foundSites = 3;
    stats.m_browsedSites = 2;
    stats.m_foundFiles = 7;
    stats.m_queuedFiles = 4;
    stats.m_receivedFiles = 5;
    stats.m_receivedBytes = 4000000000u; // above the signed range: shown unsigned
    f.core.m_liveBrowsers = 1;
    f.core.m_urlStore.Add(CHolder::Counted, new CUrl("http://h.test/a.zip"));

    CRecordingSink frame;
    f.core.m_frame.InstallSink(&frame);
    {
        CStatsDlg dialog(f.core, nullptr);
        const QStringList expected{"3", "2", "1", "7", "4", "5", "4000000000", "1"};
        for (int field = 0; field < CStatsDlg::kFieldCount; ++field)
            QCOMPARE(dialog.FieldText(field), expected[field]);
        QVERIFY(dialog.IsTimerRunning());
        // The timer keeps the fields up to date.
        f.core.m_liveBrowsers = 0;
        stats.m_receivedFiles = 6;
        QVERIFY(QTest::qWaitFor([&] { return dialog.FieldText(5) == "6"; }, 5000));
        QCOMPARE(dialog.FieldText(2), QString("0"));

        dialog.move(123, 45);
        dialog.Destroy();
        QVERIFY(!dialog.IsTimerRunning());
        QCOMPARE(frame.Messages().size(), std::size_t{1});
        QCOMPARE(frame.Messages()[0].message, WM_STATS_CLOSED);
        dialog.Destroy(); // once only
        QCOMPARE(frame.Messages().size(), std::size_t{1});
    }
    QSettings settings("Quillfen", "Harvestor");
    QCOMPARE(settings.value("Stats/LeftPos").toInt(), 123);
    QCOMPARE(settings.value("Stats/TopPos").toInt(), 45);
    {
        CStatsDlg reopened(f.core, nullptr);
        QCOMPARE(reopened.pos(), QPoint(123, 45));
        // Going with its owner also keeps the place.
        reopened.move(60, 70);
    }
    CStatsDlg third(f.core, nullptr);
    QCOMPARE(third.pos(), QPoint(60, 70));
    f.core.m_frame.InstallSink(nullptr);
    f.core.m_urlStore.Release(CHolder::Counted, "http://h.test/a.zip");
}

void CDialogsTest::aboutBoxLinksToTheMakerSite()
{
    qputenv("HARVESTOR_SITE", "http://127.0.0.1:9/");
    {
        CAboutDlg about;
        CHyperlinkButton* link = about.Link();
        QCOMPARE(link->text(), QString("127.0.0.1:9"));
        QCOMPARE(link->URL(), QString("http://127.0.0.1:9/"));
        QVERIFY(link->font().underline());
        QCOMPARE(link->font().pixelSize(), 15);
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QStringList opened;
        link->SetOpener(
            [&](const QString& url)
            {
                opened << url;
                return false; // not reported
            });
        link->click();
        QCOMPARE(opened, QStringList{"http://127.0.0.1:9/"});
    }
    // The About command runs the box modally; OK closes it.
    const auto wrong = AnswerNextDialog<CAboutDlg>([](CAboutDlg& box) { box.accept(); });
    ShowAboutBox(nullptr);
    QCOMPARE(*wrong, 0);
    qunsetenv("HARVESTOR_SITE");
}

QTEST_MAIN(CDialogsTest)
#include "dialogs_test.moc"
