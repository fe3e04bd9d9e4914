#include "HeadlessRun.h"
#include "LocalSite.h"
#include "settings/Options.h"
#include "settings/UserSettingsFile.h"
#include "support/TempDir.h"

#include <QSettings>
#include <QTest>

// The program itself, started without a display.
class CHeadlessTest : public QObject
{
    Q_OBJECT

private slots:
    void withoutSitePrintsUsageAndExits2();
    void crawlsTheSiteAndPrintsItsFiles_data();
    void crawlsTheSiteAndPrintsItsFiles();
    void workDirectoryReadsBackThroughQt_data();
    void workDirectoryReadsBackThroughQt();
    void workDirectoryJoinsAndNeverReplacesQtsOwnEntries();

private:
    struct CRun
    {
        int exitCode = -1;
        QByteArray out;
        QByteArray err;
    };
    CRun Run(const QStringList& arguments, const CTempDir& dir);
};

CHeadlessTest::CRun CHeadlessTest::Run(const QStringList& arguments, const CTempDir& dir)
{
    const CHeadlessRun run = CHeadlessRun::Start(arguments, dir);
    return CRun{run.exitCode, run.out, run.err};
}

void CHeadlessTest::withoutSitePrintsUsageAndExits2()
{
    CTempDir dir;
    const CRun run = Run({"-mode", "2"}, dir);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("usage: harvestor -site URL"), run.err.constData());
    QVERIFY(run.out.isEmpty());
}

void CHeadlessTest::crawlsTheSiteAndPrintsItsFiles_data()
{
    QTest::addColumn<bool>("withScheme");
    QTest::newRow("with scheme") << true;
    // "127.0.0.1:PORT/" names no scheme: "http://" goes in front.
    QTest::newRow("port without scheme") << false;
}

void CHeadlessTest::crawlsTheSiteAndPrintsItsFiles()
{
    QFETCH(bool, withScheme);
    CLocalSite site;
    CTempDir dir;
    // The layout of the window last shown survives a run without a window.
    COptions stored(dir.Path().string());
    stored.m_windowLeft = 10;
    stored.m_windowTop = 20;
    stored.m_windowWidth = 800;
    stored.m_windowHeight = 600;
    stored.m_windowMaximized = true;
    stored.m_treeWidth = 400;
    stored.m_filesColumnWidth = 250;
    stored.m_sizeColumnWidth = 70;
    stored.Save();
    const std::string start = site.Url("/").substr(withScheme ? 0 : std::string("http://").size());
    const CRun run = Run({"-site", QString::fromStdString(start), "-mode", "2"}, dir);
    QCOMPARE(run.exitCode, 0);
    const QByteArray expected = QByteArray::fromStdString(
        site.Url("/a.zip") + "\n" + site.Url("/c.mp3") + "\n" + site.Url("/sub/b.exe") + "\n");
    QCOMPARE(run.out, expected);
    QFile log(QString::fromStdString(dir.File("hvstr.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray lines = log.readAll();
    QVERIFY(lines.contains(QByteArray::fromStdString("Browsing " + site.Url("/sub/page.html"))));
    COptions saved(dir.Path().string());
    QVERIFY(saved.Load());
    QCOMPARE(saved.SaveToBytes(), stored.SaveToBytes());
    // The work directory is recorded where the window records it.
    const QSettings recorded(QString::fromStdString(dir.File("config/Quillfen/Harvestor.conf")),
                             QSettings::IniFormat);
    QCOMPARE(recorded.value("General/workdir").toString(), QString::fromStdString(dir.Path()));
}

void CHeadlessTest::workDirectoryReadsBackThroughQt_data()
{
    QTest::addColumn<QByteArray>("workDir");
    QTest::newRow("plain") << QByteArray("/home/ann/crawls");
    QTest::newRow("separators") << QByteArray("/a,b;c=d");
    QTest::newRow("leading at") << QByteArray("@/x");
    QTest::newRow("spaces at the ends") << QByteArray(" /x ");
    QTest::newRow("quote and backslash") << QByteArray("/a\"b\\c");
    QTest::newRow("controls before hex digits") << QByteArray("/a\tb\x01"
                                                              "f\n");
    QTest::newRow("utf-8") << QByteArray("/tmp/Z\xC3\xBCrich");
}

void CHeadlessTest::workDirectoryReadsBackThroughQt()
{
    QFETCH(QByteArray, workDir);
    CTempDir dir;
    const std::string path = dir.File("Harvestor.conf");
    RecordWorkDirectory(path, workDir.toStdString());
    const QSettings read(QString::fromStdString(path), QSettings::IniFormat);
    QCOMPARE(read.value("General/workdir").toString(), QString::fromUtf8(workDir));
}

void CHeadlessTest::workDirectoryJoinsAndNeverReplacesQtsOwnEntries()
{
    CTempDir dir;
    // Both look in the same place, whatever the machine's own settings folder is.
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(dir.File("config")));
    QCOMPARE(UserSettingsPath(), QSettings("Quillfen", "Harvestor").fileName().toStdString());
    const QString path = QString::fromStdString(dir.File("window.conf"));
    {
        QSettings window(path, QSettings::IniFormat);
        window.setValue("Stats/LeftPos", 5);
        window.setValue("General/other", "kept");
    }
    RecordWorkDirectory(path.toStdString(), "/first");
    RecordWorkDirectory(path.toStdString(), "/second");
    const QSettings read(path, QSettings::IniFormat);
    QCOMPARE(read.value("General/workdir").toString(), QString("/first"));
    QCOMPARE(read.value("General/other").toString(), QString("kept"));
    QCOMPARE(read.value("Stats/LeftPos").toInt(), 5);
}

QTEST_GUILESS_MAIN(CHeadlessTest)
#include "headless_test.moc"
