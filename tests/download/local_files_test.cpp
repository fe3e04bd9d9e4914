#include "WorkerFixture.h"

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

// What downloads leave on disk: a file appears under its name only whole, a failure leaves what
// was there, two downloads never share a name, and a link is replaced, never followed.
class LocalFilesTest : public CWorkerTest
{
protected:
    void Fetch(std::int32_t policy, const std::vector<std::string>& paths)
    {
        SetOptions([policy](COptions& o) { o.m_duplicateAction = policy; });
        Download(paths);
        ASSERT_TRUE(WaitForWorkers());
    }
};

TEST_F(LocalFilesTest, FailuresLeaveWhatWasThereAndNothingElse)
{
    fs::create_directory(m_downloads);
    WriteFileBytes((m_downloads / "missing.zip").string(), "precious");
    m_server.Release(); // a /partial/ body drops at once, after 8 KiB
    Fetch(kDuplicateOverwrite, {"/none/missing.zip"}); // 404
    Fetch(kDuplicateSkip, {"/partial/cut.zip"});
    Fetch(kDuplicateRename, {"/partial/big.zip"});
    EXPECT_EQ(DirectoryNames(m_downloads), std::set<std::string>{"missing.zip"});
    EXPECT_EQ(Downloaded("missing.zip"), "precious");

    // Nothing cut stands in the way of the next attempt.
    Fetch(kDuplicateSkip, {"/f/10/cut.zip"});
    Fetch(kDuplicateRename, {"/f/10/big.zip"});
    EXPECT_EQ(DirectoryNames(m_downloads),
              (std::set<std::string>{"big.zip", "cut.zip", "missing.zip"}));
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), 2u);
}

TEST_F(LocalFilesTest, WorkersNeverShareAName)
{
    constexpr int kFiles = 12;
    SetOptions([](COptions& o) { o.m_downloadThreads = 4; });
    std::vector<std::string> paths;
    for (int i = 0; i < kFiles; ++i)
        paths.push_back("/slow/" + std::to_string(i) + "/same.zip");
    Fetch(kDuplicateRename, paths);

    // Each download has a name of its own, holding its own bytes only: a shared one fails here.
    const std::string log = ReadFileBytes(m_dir.File("hvstr.log"));
    for (int i = 0; i < kFiles; ++i)
    {
        const std::string prefix = "Downloaded " + m_server.Url(paths[i]) + " as ";
        const std::size_t at = log.find(prefix);
        ASSERT_NE(at, std::string::npos) << paths[i];
        const std::size_t from = at + prefix.size();
        const std::string local = log.substr(from, log.find('\n', from) - from);
        EXPECT_EQ(ReadFileBytes(local), std::string(kSlowBytes, static_cast<char>('a' + i)));
    }
    EXPECT_EQ(DirectoryNames(m_downloads).size(), std::size_t{kFiles});
    EXPECT_EQ(m_core.m_histories.m_fileHistory.GetCount(), std::size_t{kFiles});

    // Skip-same-size keeps the first and skips every later one of the same size, also one that
    // arrived while the first was still on its way.
    for (std::string& path : paths)
        path.replace(path.rfind('/'), std::string::npos, "/again.zip");
    Fetch(kDuplicateSkipSameSize, paths);
    EXPECT_EQ(DirectoryNames(m_downloads).size(), kFiles + 1u);
    EXPECT_TRUE(fs::exists(m_downloads / "again.zip"));
    const auto lines = LogLines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& line)
                            { return line.ends_with(": Filename collision!"); }),
              kFiles - 1);
}

TEST_F(LocalFilesTest, OverwriteReplacesTheNameNeverWhatALinkPointsTo)
{
    Fetch(kDuplicateOverwrite, {"/f/10/first.zip"}); // the directory is made for overwriting too
    EXPECT_EQ(Downloaded("first.zip"), std::string(10, 'f'));

    const fs::path outside = m_dir.Path() / "outside";
    fs::create_directory(outside);
    WriteFileBytes((outside / "victim.txt").string(), "victim");
    fs::create_symlink("../outside/victim.txt", m_downloads / "report.zip");
    fs::create_symlink("../outside/ghost.txt", m_downloads / "ghost.zip");
    Fetch(kDuplicateOverwrite, {"/f/5000/report.zip", "/f/6000/ghost.zip"});

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
