#include "download/LocalName.h"
#include "net/TransferFixture.h"
#include "url/Url.h"

#include <filesystem>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

class LocalNameTest : public CTransferTest
{
protected:
    LocalNameTest() { UseDirectory(m_dir.Path() / "dl", true); }

    void UseDirectory(const fs::path& dir, bool create)
    {
        m_downloads = dir;
        if (create)
            fs::create_directory(dir);
        m_options.m_downloadDir = dir.string() + "/";
    }

    // The chosen name ("" when refused), checking that it lies directly in the directory.
    std::string NameFor(const std::string& url, std::int32_t policy, std::uint32_t knownSize = 0)
    {
        m_options.m_duplicateAction = policy;
        CUrl record(url);
        if (knownSize != 0)
        {
            record.m_size = knownSize;
            record.m_sizeState = kSizeKnown;
        }
        std::string path;
        if (!MakeLocalName(record, m_options, m_context, path))
            return "";
        const std::string name = path.substr(m_options.m_downloadDir.size());
        EXPECT_EQ(path, (m_downloads / name).string());
        EXPECT_EQ(name.find('/'), std::string::npos) << path;
        EXPECT_LE(name.size(), kMaxFileNameBytes);
        return name;
    }

    void Touch(const std::string& name, std::size_t bytes = 1)
    {
        WriteFileBytes((m_downloads / name).string(), std::string(bytes, 'x'));
    }

    fs::path m_downloads;
};

// The name as the file system sees it: the saved name's base and extension joined.
std::string Joined(const CSaveName& name)
{
    return name.base + "." + name.extension;
}

TEST_F(LocalNameTest, NamesAreTheDecodedUrlNameMadeSafeAndStayInTheDirectory)
{
    const std::string longUrl = "http://h/" + std::string(400, 'a') + ".zip";
    const std::string longName = std::string(251, 'a') + ".zip";
    const std::pair<std::string, std::string> cases[] = {
        {"http://h/dir/archive.zip", "archive.zip"},
        {"http://h/", "unknown."},
        {"http://h/my%20file%20%281%29.zip", "my file (1).zip"},
        {"http://h/%C3%BCbersicht.pdf", "\u00FCbersicht.pdf"},
        // A broken UTF-8 escape stays as written; a query never names the file.
        {"http://h/bad%C3%28.pdf?x=1", "bad%C3(.pdf"},
        {"http://h/report.pdf?dl=1#top", "report.pdf"},
        {"http://h/x/a$b.svg", "a$b.svg"},
        {"http://h/%2e%2e", "unknown."},
        {"http://h/x/$.", "$."},
        {"http://h/%2e%2e%2f%2e%2e%2fetc%2fpasswd.zip", "_._.._etc_passwd.zip"},
        {"http://h/-rf", "_rf."},
        {"http://h/.bashrc", "_bashrc."},
        {"http://h/a%00b%0Ac.zip", "a_b_c.zip"},
        // U+202E would show "evil\u202Efdp.exe" as "evilexe.pdf".
        {"http://h/evil%E2%80%AEfdp.exe", "evil_fdp.exe"},
        {"http://h/v1.2.3-beta", "v1.2.3-beta."},
        {"http://h/../../etc/passwd.zip", "passwd.zip"},
        {"http://h/get.php?f=..%2F..%2Fsecret.zip", "get.php"},
        {longUrl, longName},
    };
    for (const auto& [url, name] : cases)
        EXPECT_EQ(NameFor(url, kDuplicateSkip), name) << url;

    // A counter never pushes a long name past the limit; the base gives way.
    Touch(longName);
    EXPECT_EQ(NameFor(longUrl, kDuplicateRename), std::string(247, 'a') + "0001.zip");

    // A directory stored without its separator still holds the file.
    m_options.m_downloadDir.pop_back();
    CUrl record("http://h/abc.zip");
    std::string path;
    ASSERT_TRUE(MakeLocalName(record, m_options, m_context, path));
    EXPECT_EQ(path, (m_downloads / "abc.zip").string());
}

TEST_F(LocalNameTest, AServerNameWinsAndIsMadeSafeAndCutOnACharacter)
{
    const CUrl record("http://h/download.php?id=7");
    // 300 bytes of two-byte characters: the cut may not split one.
    std::string wide;
    for (int i = 0; i < 150; ++i)
        wide += "\xC3\xA9";
    const std::pair<std::string, std::string> cases[] = {
        {"", "download.php"},
        {"manual v2.pdf", "manual v2.pdf"},
        {"../../.bashrc", "_._.._.bashrc"},
        {"-rf", "_rf."},
        {"a/b\\c.txt", "a_b\\c.txt"},
        {"..", "unknown."},
        {wide + ".pdf", wide.substr(0, 250) + ".pdf"},
    };
    for (const auto& [given, name] : cases)
    {
        const CSaveName saved = SaveNameOf(record, given);
        EXPECT_EQ(Joined(saved), name) << given;
        EXPECT_LE(Joined(saved).size(), kMaxFileNameBytes) << given;
        std::string path;
        m_options.m_duplicateAction = kDuplicateRename;
        CUrl copy(record.m_url);
        ASSERT_TRUE(MakeLocalName(copy, m_options, m_context, path, &saved)) << given;
        EXPECT_EQ(path, m_options.m_downloadDir + name) << given;
    }
    // Where the file system refuses a name, the safe characters of the URL serve.
    EXPECT_EQ(Joined(SafeCharacterName(CUrl("http://h/my%20file.exe"))), "20file.exe");
}

TEST_F(LocalNameTest, DuplicatePolicies)
{
    Touch("abc.zip", 5);
    Touch("abc0001.zip", 7);
    Touch("name.");
    Touch("a.zip");
    Touch("a0001.zip");
    EXPECT_EQ(NameFor("http://h/a.zip", kDuplicateRename), "a0002.zip");
    EXPECT_EQ(NameFor("http://h/abc.zip", kDuplicateSkip), "");
    EXPECT_EQ(NameFor("http://h/bcd.zip", kDuplicateSkip), "bcd.zip");
    EXPECT_EQ(NameFor("http://h/abc.zip", kDuplicateRename), "abc0002.zip");
    EXPECT_EQ(NameFor("http://h/name", kDuplicateRename), "name.0001");
    EXPECT_EQ(NameFor("http://h/abc.zip", kDuplicateOverwrite), "abc.zip");
    // Skip-same-size compares every existing variant in turn.
    EXPECT_EQ(NameFor("http://h/abc.zip", kDuplicateSkipSameSize, 5), "");
    EXPECT_EQ(NameFor("http://h/abc.zip", kDuplicateSkipSameSize, 7), "");
    EXPECT_EQ(NameFor("http://h/abc.zip", kDuplicateSkipSameSize, 9), "abc0002.zip");

    // An unknown size is asked of the server.
    m_server.Server().Get("/abc.zip", [](const httplib::Request&, httplib::Response& response)
                          { response.set_content(std::string(7, 'y'), "application/zip"); });
    m_server.Start();
    EXPECT_EQ(NameFor(m_server.Url("/abc.zip"), kDuplicateSkipSameSize), "");
}

TEST_F(LocalNameTest, MissingDirectory)
{
    // Every policy makes the directory.
    for (const std::int32_t policy : {kDuplicateOverwrite, kDuplicateRename})
    {
        UseDirectory(m_dir.Path() / ("new" + std::to_string(policy)), false);
        EXPECT_EQ(NameFor("http://h/abc.zip", policy), "abc.zip");
        EXPECT_TRUE(fs::is_directory(m_downloads));
    }

    // One level only.
    UseDirectory(m_dir.Path() / "x" / "y", false);
    EXPECT_EQ(NameFor("http://h/abc.zip", kDuplicateRename), "");
    EXPECT_FALSE(fs::exists(m_dir.Path() / "x"));
    EXPECT_EQ(m_prompts.m_messages,
              std::vector<std::string>{"Harvestor: Failed to create " + m_options.m_downloadDir +
                                       " directory"});
}

TEST_F(LocalNameTest, WorkersCreatingTheDirectoryAtOnceAllSucceed)
{
    m_options.m_duplicateAction = kDuplicateRename;
    for (int round = 0; round < 20; ++round)
    {
        m_options.m_downloadDir = m_dir.File("race" + std::to_string(round)) + "/";
        std::atomic<int> chosen{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; ++i)
            threads.emplace_back(
                [&, i]
                {
                    CUrl record("http://h/file" + std::to_string(i) + ".zip");
                    std::string path;
                    chosen += MakeLocalName(record, m_options, m_context, path) ? 1 : 0;
                });
        for (std::thread& thread : threads)
            thread.join();
        EXPECT_EQ(chosen.load(), 8);
    }
    EXPECT_TRUE(m_prompts.m_messages.empty());
}
