#include "WorkerFixture.h"

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

// What downloads leave on disk: a file appears under its name only whole, a failure leaves what
// was there, two downloads never share a name, and the size limit holds for the bytes.
class LocalFilesTest : public CWorkerTest
{
protected:
    // The names in the download directory.
    std::set<std::string> Names() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_downloads))
            names.insert(entry.path().filename().string());
        return names;
    }

    void UsePolicy(std::int32_t policy)
    {
        SetOptions([policy](COptions& o) { o.m_duplicateAction = policy; });
    }

    std::string DownloadedLine(const std::string& path, const std::string& name)
    {
        return "Downloaded " + m_server.Url(path) + " as " + (m_downloads / name).string();
    }
};

TEST_F(LocalFilesTest, FailuresLeaveWhatWasThereAndNothingElse)
{
    fs::create_directory(m_downloads);
    WriteFileBytes((m_downloads / "missing.zip").string(), "precious");
    m_server.Release(); // a /partial/ body drops at once
    const struct
    {
        std::int32_t policy;
        std::string path;
    } failures[] = {
        {kDuplicateOverwrite, "/none/missing.zip"}, // 404
        {kDuplicateSkip, "/partial/cut.zip"},       // dropped after 8 KiB
        {kDuplicateRename, "/partial/big.zip"},
    };
    for (const auto& failure : failures)
    {
        UsePolicy(failure.policy);
        Download({failure.path});
        ASSERT_TRUE(WaitForWorkers());
    }
    EXPECT_EQ(Names(), std::set<std::string>{"missing.zip"});
    EXPECT_EQ(Downloaded("missing.zip"), "precious");

    // Nothing cut stands in the way of the next attempt.
    UsePolicy(kDuplicateSkip);
    Download({"/f/10/cut.zip"});
    ASSERT_TRUE(WaitForWorkers());
    UsePolicy(kDuplicateRename);
    Download({"/f/10/big.zip"});
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Names(), (std::set<std::string>{"big.zip", "cut.zip", "missing.zip"}));
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), 2u);
}

TEST_F(LocalFilesTest, WorkersNeverShareAName)
{
    constexpr int kFiles = 12;
    SetOptions([](COptions& o) { o.m_downloadThreads = 4; });
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i)
        paths.push_back("/slow/" + std::to_string(i) + "/same.zip");
    Download(paths);
    ASSERT_TRUE(WaitForWorkers());

    // Each download has a name of its own, holding its own bytes only.
    const std::string log = ReadFileBytes(m_dir.File("hvstr.log"));
    std::set<std::string> names;
    for (int i = 0; i < kFiles; ++i)
    {
        const std::string prefix = "Downloaded " + m_server.Url(paths[i]) + " as ";
        const std::size_t at = log.find(prefix);
        ASSERT_NE(at, std::string::npos) << paths[i];
        const std::size_t from = at + prefix.size();
        const std::string local = log.substr(from, log.find('\n', from) - from);
        EXPECT_EQ(ReadFileBytes(local), std::string(kSlowBytes, static_cast<char>('a' + i)));
        names.insert(local);
    }
    EXPECT_EQ(names.size(), std::size_t{kFiles});
    EXPECT_EQ(Names().size(), std::size_t{kFiles});
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), std::size_t{kFiles});

    // Skip-same-size: the first one is kept and every later one of the same size is skipped,
    // also when it arrived while the first was still on its way.
    UsePolicy(kDuplicateSkipSameSize);
    m_downloads = m_dir.Path() / "same";
    SetOptions([this](COptions& o) { o.m_downloadDir = m_downloads.string() + "/"; });
    for (std::string& path : paths)
        path.replace(path.rfind('/'), std::string::npos, "/again.zip");
    Download(paths);
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Names(), std::set<std::string>{"again.zip"});
    const auto lines = LogLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line)
                            { return line.ends_with(": Filename collision!"); }),
              kFiles - 1);
}

TEST_F(LocalFilesTest, OverwriteReplacesTheNameNeverWhatALinkPointsTo)
{
    UsePolicy(kDuplicateOverwrite);
    // The directory is made for overwriting too.
    Download({"/f/10/first.zip"});
    ASSERT_TRUE(WaitForWorkers());
    EXPECT_EQ(Downloaded("first.zip"), std::string(10, 'f'));

    const fs::path outside = m_dir.Path() / "outside";
    fs::create_directory(outside);
    WriteFileBytes((outside / "victim.txt").string(), "victim");
    fs::create_symlink("../outside/victim.txt", m_downloads / "report.zip");
    fs::create_symlink("../outside/ghost.txt", m_downloads / "ghost.zip");
    Download({"/f/5000/report.zip", "/f/6000/ghost.zip"});
    ASSERT_TRUE(WaitForWorkers());

    EXPECT_EQ(ReadFileBytes((outside / "victim.txt").string()), "victim");
    EXPECT_FALSE(fs::exists(outside / "ghost.txt"));
    for (const auto& [name, size] : {std::pair{"report.zip", 5000}, std::pair{"ghost.zip", 6000}})
    {
        EXPECT_FALSE(fs::is_symlink(m_downloads / name)) << name;
        EXPECT_EQ(Downloaded(name), std::string(size, 'f')) << name;
    }
    EXPECT_EQ(LogLines(), (std::vector<std::string>{
                              DownloadedLine("/f/10/first.zip", "first.zip"),
                              DownloadedLine("/f/5000/report.zip", "report.zip"),
                              DownloadedLine("/f/6000/ghost.zip", "ghost.zip"),
                          }));
}

TEST_F(LocalFilesTest, TheMaximumSizeHoldsForTheBytesThatArrive)
{
    SetOptions(
        [](COptions& o)
        {
            o.m_checkLength = kCheckLengthWhenDownloaded;
            o.m_minSizeK = 0;
            o.m_maxSizeK = 100;
        });
    const std::pair<std::string, bool> cases[] = {
        {"/liar/300000/liar.zip", false},    // HEAD says 20 KiB, the body runs on
        {"/long/300000/long.zip", false},    // only the GET tells its length
        {"/chunked/103423/fits.zip", true},  // 100 KiB and a bit
        {"/chunked/103424/over.zip", false}, // 101 KiB
    };
    std::vector<std::string> expected;
    for (const auto& [path, fits] : cases)
    {
        Download({path});
        ASSERT_TRUE(WaitForWorkers());
        const std::string name = path.substr(path.rfind('/') + 1);
        expected.push_back(fits ? DownloadedLine(path, name)
                                : "Skipped " + m_server.Url(path) + ": Too Large!");
    }
    // Without size checks nothing is too large.
    SetOptions([](COptions& o) { o.m_checkLength = kCheckLengthNever; });
    Download({"/chunked/300000/free.zip"});
    ASSERT_TRUE(WaitForWorkers());
    expected.push_back(DownloadedLine("/chunked/300000/free.zip", "free.zip"));

    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(LogLines(), expected);
    EXPECT_EQ(Names(), (std::set<std::string>{"fits.zip", "free.zip"}));
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), 2u);
}
