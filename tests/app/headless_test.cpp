#include "LocalSite.h"
#include "support/TempDir.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

// The program itself, started without a display.
class CHeadlessTest : public QObject
{
    Q_OBJECT

private slots:
    void withoutSitePrintsUsageAndExits2();
    void crawlsTheSiteAndPrintsItsFiles();

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
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.remove("QT_QPA_PLATFORM");
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.File("config")));
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(QString::fromStdString(dir.Path().string()));
    process.start(QStringLiteral(HARVESTOR_BINARY), arguments);
    CRun run;
    if (!process.waitForFinished(120000))
    {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

void CHeadlessTest::withoutSitePrintsUsageAndExits2()
{
    CTempDir dir;
    const CRun run = Run({"-mode", "2"}, dir);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("usage: harvestor -site URL"), run.err.constData());
    QVERIFY(run.out.isEmpty());
}

void CHeadlessTest::crawlsTheSiteAndPrintsItsFiles()
{
    CLocalSite site;
    CTempDir dir;
    const CRun run = Run({"-site", QString::fromStdString(site.Url("/")), "-mode", "2"}, dir);
    QCOMPARE(run.exitCode, 0);
    const QByteArray expected = QByteArray::fromStdString(
        site.Url("/a.zip") + "\n" + site.Url("/c.mp3") + "\n" + site.Url("/sub/b.exe") + "\n");
    QCOMPARE(run.out, expected);
    QFile log(QString::fromStdString(dir.File("hvstr.log")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray lines = log.readAll();
    QVERIFY(lines.contains(QByteArray::fromStdString("Browsing " + site.Url("/sub/page.html"))));
}

QTEST_GUILESS_MAIN(CHeadlessTest)
#include "headless_test.moc"
