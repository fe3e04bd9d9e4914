#include "session/CommandLineInfo.h"

#include <QTest>
#include <climits>
#include <string>
#include <vector>

// Each row: the arguments after the program name, and what the parsed command line holds.
class CCommandLineTest : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void defaultModeComesFromTheOptions();
};

void CCommandLineTest::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("sites");
    QTest::addColumn<int>("modeIndex");
    QTest::addColumn<QString>("agent");
    // Flags as a string of letters: t term, n nocheck, h hide, m minimize.
    QTest::addColumn<QString>("flags");

    const QString agent = QString::fromLatin1(kDefaultAgent);
    QTest::newRow("nothing") << QStringList{} << QStringList{} << 0 << agent << "";
    QTest::newRow("upper and mixed case") << QStringList{"-SITE", "http://a/", "-Mode", "2"}
                                          << QStringList{"http://a/"} << 1 << agent << "";
    QTest::newRow("slash introduces a flag") << QStringList{"/site", "http://a/", "/NOCHECK"}
                                             << QStringList{"http://a/"} << 0 << agent << "n";
    QTest::newRow("a value may be a path") << QStringList{"-site", "/srv/www/a.htm", "/nocheck"}
                                           << QStringList{"/srv/www/a.htm"} << 0 << agent << "n";
    QTest::newRow("longer flag matches by prefix")
        << QStringList{"-Sites", "a", "-terminate", "-nocheckplease"} << QStringList{"a"} << 0
        << agent << "tn";
    QTest::newRow("shorter flag matches nothing")
        << QStringList{"-hid", "-min", "-ter", "-sit", "x"} << QStringList{} << 0 << agent << "";
    QTest::newRow("hide also terminates")
        << QStringList{"-hide"} << QStringList{} << 0 << agent << "th";
    QTest::newRow("minimize") << QStringList{"-minimize"} << QStringList{} << 0 << agent << "m";
    QTest::newRow("site as the last argument")
        << QStringList{"-site", "a", "-site"} << QStringList{"a"} << 0 << agent << "";
    QTest::newRow("value before any flag is ignored")
        << QStringList{"stray", "-site", "a"} << QStringList{"a"} << 0 << agent << "";
    QTest::newRow("a value is taken once")
        << QStringList{"-site", "a", "b"} << QStringList{"a"} << 0 << agent << "";
    QTest::newRow("site, nocheck, then the URL") << QStringList{"-site", "-nocheck", "http://u/"}
                                                 << QStringList{"http://u/"} << 0 << agent << "n";
    QTest::newRow("unknown flag keeps the pending value")
        << QStringList{"-site", "-bogus", "-", "u"} << QStringList{"u"} << 0 << agent << "";
    QTest::newRow("later value flag replaces the pending one")
        << QStringList{"-mode", "-site", "3"} << QStringList{"3"} << 0 << agent << "";
    QTest::newRow("sites keep their order") << QStringList{"-site", "b", "-site", "a", "-site", "b"}
                                            << QStringList{"b", "a", "b"} << 0 << agent << "";
    QTest::newRow("mode 0") << QStringList{"-mode", "0"} << QStringList{} << -1 << agent << "";
    QTest::newRow("mode text") << QStringList{"-mode", "two"} << QStringList{} << -1 << agent << "";
    QTest::newRow("mode 2") << QStringList{"-mode", "2"} << QStringList{} << 1 << agent << "";
    QTest::newRow("mode read as atoi reads")
        << QStringList{"-mode", " \t+3rd"} << QStringList{} << 2 << agent << "";
    // A value that begins with "-" is a flag (matching nothing); after a blank it is a number.
    QTest::newRow("minus value is a flag")
        << QStringList{"-mode", "-5"} << QStringList{} << 0 << agent << "";
    QTest::newRow("negative mode")
        << QStringList{"-mode", " -5"} << QStringList{} << -6 << agent << "";
    QTest::newRow("huge mode saturates")
        << QStringList{"-mode", "99999999999"} << QStringList{} << INT_MAX - 1 << agent << "";
    QTest::newRow("most negative mode does not overflow")
        << QStringList{"-mode", " -99999999999"} << QStringList{} << INT_MIN << agent << "";
    QTest::newRow("identity") << QStringList{"-identity", "Crawler/2.0 (test)"} << QStringList{}
                              << 0 << "Crawler/2.0 (test)"
                              << "";
    QTest::newRow("every keyword at once")
        << QStringList{"-term", "-nocheck", "-minimize", "-identity", "A",
                       "-mode", "3",        "-site",     "s"}
        << QStringList{"s"} << 2 << "A"
        << "tnm";
}

void CCommandLineTest::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, sites);
    QFETCH(int, modeIndex);
    QFETCH(QString, agent);
    QFETCH(QString, flags);

    std::vector<std::string> storage{"harvestor"};
    for (const QString& argument : arguments)
        storage.push_back(argument.toStdString());
    std::vector<const char*> argv;
    for (const std::string& argument : storage)
        argv.push_back(argument.c_str());

    CTrawlerCommandLineInfo info(0);
    info.ParseCommandLine(static_cast<int>(argv.size()), argv.data());

    QStringList parsedSites;
    for (const std::string& site : info.m_sites)
        parsedSites << QString::fromStdString(site);
    QCOMPARE(parsedSites, sites);
    QCOMPARE(info.m_modeIndex, modeIndex);
    QCOMPARE(QString::fromStdString(info.m_agent), agent);
    QCOMPARE(info.m_terminate, flags.contains('t'));
    QCOMPARE(info.m_noCheck, flags.contains('n'));
    QCOMPARE(info.m_hide, flags.contains('h'));
    QCOMPARE(info.m_minimize, flags.contains('m'));
}

void CCommandLineTest::defaultModeComesFromTheOptions()
{
    const char* argv[] = {"harvestor", "-site", "a"};
    CTrawlerCommandLineInfo info(2);
    info.ParseCommandLine(3, argv);
    QCOMPARE(info.m_modeIndex, 2);
    QCOMPARE(info.m_agent, std::string("Hvstr152"));
}

QTEST_APPLESS_MAIN(CCommandLineTest)
#include "command_line_test.moc"
