#include "HeadlessRun.h"
#include "LocalSite.h"
#include "platform/FileError.h"
#include "settings/HistoryFile.h"
#include "settings/ModeData.h"
#include "settings/Options.h"
#include "settings/TSList.h"
#include "support/FileBytes.h"

#include <QTest>
#include <filesystem>
#include <map>
#include <random>

namespace
{

// Each data file of the working directory, valid, as an earlier run would have left it.
std::map<std::string, std::string> ValidFiles(const std::string& workDir)
{
    std::map<std::string, std::string> files;
    COptions options(workDir);
    options.m_fileTypes = "ZIP;EXE";
    options.m_connectTimeout = 7;
    files["options.dat"] = options.SaveToBytes();
    for (int mode = 1; mode <= 3; ++mode)
    {
        CModeData data;
        data.m_name = "Mine " + std::to_string(mode);
        data.m_localFollowMax = 50;
        files["mode" + std::to_string(mode) + ".mod"] = data.SaveToBytes();
    }
    for (const char* name : {"urls.his", "files.his"})
    {
        CTSList list;
        for (const char* key : {"http://old.test/a", "http://old.test/b", "http://old.test/c"})
            list.Add(key, CCalendarTime{});
        files[name] = list.SaveToBytes();
    }
    for (const char* name : {"url.dat", "findsite.dat", "findfile.dat"})
        files[name] = BuildHistoryBytes("http://old.test/", {"http://a.test/", "http://b.test/"});
    return files;
}

std::string Le32(std::uint32_t value)
{
    std::string bytes;
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
    return bytes;
}

// The same file with a count (or a length) that claims far more than the file holds.
std::string WithHugeCount(const std::string& name, const std::string& valid,
                          const std::string& workDir)
{
    if (name == "options.dat")
    {
        // The keyword count sits where a list with one keyword first differs from an empty one.
        COptions one(workDir);
        one.m_fileTypes = "ZIP;EXE";
        one.m_connectTimeout = 7;
        one.m_keywords = {"k"};
        const std::string withKeyword = one.SaveToBytes();
        std::size_t at = 0;
        while (valid[at] == withKeyword[at])
            ++at;
        return valid.substr(0, at) + Le32(0x7FFFFFFF) + valid.substr(at + 4);
    }
    if (name.ends_with(".mod"))
        return valid.substr(0, 4) + "\xFF\xFF\xFF" + Le32(0xFFFFFFF0) + valid.substr(5);
    if (name.ends_with(".his"))
        return Le32(0x7FFFFFFF) + valid.substr(4);
    return Le32(0xFFFFFFFF) + valid.substr(4);
}

std::string Damaged(const QString& kind, const std::string& name, const std::string& valid,
                    const std::string& workDir)
{
    if (kind == "truncated")
        return valid.substr(0, valid.size() / 2);
    if (kind == "huge counts")
        return WithHugeCount(name, valid, workDir);
    std::mt19937 random(static_cast<unsigned>(std::hash<std::string>{}(name)));
    std::string bytes(400, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random() & 0xFF);
    return bytes;
}

} // namespace

// The program started headless in a working directory whose every data file is damaged: it
// ends with status 0 and leaves every file it writes valid; when the damage is certain to be
// seen it crawls with the defaults and keeps the damaged bytes of each file it replaces beside
// it as NAME.bad. Files it does not use stay as they were.
class CCorruptSettingsTest : public QObject
{
    Q_OBJECT

private slots:
    void startsWithDefaultsAndLosesNothing_data();
    void startsWithDefaultsAndLosesNothing();
};

void CCorruptSettingsTest::startsWithDefaultsAndLosesNothing_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("truncated") << "truncated";
    QTest::newRow("random bytes") << "random bytes";
    QTest::newRow("huge counts") << "huge counts";
}

void CCorruptSettingsTest::startsWithDefaultsAndLosesNothing()
{
    QFETCH(QString, kind);
    CLocalSite site;
    CTempDir dir;
    const std::string workDir = dir.Path().string();
    std::map<std::string, std::string> damaged;
    for (const auto& [name, valid] : ValidFiles(workDir))
    {
        damaged[name] = Damaged(kind, name, valid, workDir);
        WriteFileBytes(dir.File(name), damaged[name]);
    }

    const CHeadlessRun run =
        CHeadlessRun::Start({"-site", QString::fromStdString(site.Url("/")), "-mode", "2"}, dir);
    QCOMPARE(run.exitCode, 0);

    // Whatever the program wrote is valid now.
    COptions options(workDir);
    QVERIFY(options.Load());
    for (const char* name : {"mode1.mod", "mode2.mod", "mode3.mod"})
    {
        CModeData mode;
        try
        {
            mode.Load(name, workDir);
        }
        catch (const CFileError&)
        {
            // Not used by this run, so not rebuilt: left as it was.
            QVERIFY2(ReadFileBytes(dir.File(name)) == damaged[name], name);
        }
    }
    CTSList pages;
    QVERIFY(pages.Load("urls.his", workDir));
    QVERIFY(pages.Contains(site.Url("/")));
    CTSList files;
    QVERIFY(files.Load("files.his", workDir));
    // The entry histories of dialogs that a headless run never opens are left alone.
    for (const char* unused : {"url.dat", "findsite.dat", "findfile.dat"})
        QVERIFY2(ReadFileBytes(dir.File(unused)) == damaged[unused], unused);

    // Random bytes may happen to read as a valid file; the others are refused for certain, so
    // the run uses the defaults and keeps each damaged file aside before replacing it.
    if (kind == "random bytes")
        return;
    const QByteArray expected = QByteArray::fromStdString(
        site.Url("/a.zip") + "\n" + site.Url("/c.mp3") + "\n" + site.Url("/sub/b.exe") + "\n");
    QCOMPARE(run.out, expected);
    QCOMPARE(options.m_fileTypes, COptions(workDir).m_fileTypes);
    QCOMPARE(options.m_connectTimeout, 30);
    CModeData used;
    used.Load("mode2.mod", workDir);
    QCOMPARE(used.m_name, std::string("Find files on Site"));
    for (const char* name : {"options.dat", "mode2.mod", "urls.his", "files.his"})
        QVERIFY2(ReadFileBytes(dir.File(std::string(name) + ".bad")) == damaged[name], name);
}

QTEST_GUILESS_MAIN(CCorruptSettingsTest)
#include "corrupt_settings_test.moc"
