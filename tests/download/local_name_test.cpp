#include "TransferFixture.h"
#include "download/LocalName.h"
#include "url/Url.h"

#include <filesystem>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

class LocalNameTest : public CTransferTest
{
protected:
    LocalNameTest()
    {
        m_downloads = m_dir.Path() / "dl";
        fs::create_directory(m_downloads);
        m_options.m_downloadDir = m_downloads.string() + "/";
    }

    // The name part of the chosen path ("" when MakeLocalName refused), checking that the path
    // lies directly in the download directory.
    std::string NameFor(const std::string& url, std::int32_t policy)
    {
        m_options.m_duplicateAction = policy;
        CUrl record(url);
        std::string path;
        if (!MakeLocalName(record, m_options, m_context, path))
            return "";
        EXPECT_EQ(path.rfind(m_options.m_downloadDir, 0), 0u) << path;
        const std::string name = path.substr(m_options.m_downloadDir.size());
        EXPECT_EQ(name.find('/'), std::string::npos) << path;
        EXPECT_NE(name, "..");
        EXPECT_LE(name.size(), kMaxFileNameBytes);
        return name;
    }

    void Touch(const std::string& name, std::size_t bytes = 1)
    {
        WriteFileBytes((m_downloads / name).string(), std::string(bytes, 'x'));
    }

    fs::path m_downloads;
};

TEST_F(LocalNameTest, NamesKeepTheTrailingSafeRunAndStayInTheDirectory)
{
    const std::string longTitle(400, 'a');
    struct CCase
    {
        std::string url;
        std::string name;
    } cases[] = {
        {"http://h/dir/archive.zip", "archive.zip"},
        {"http://h/", "unknown."},
        {"http://h/my%20file.exe", "20file.exe"},
        {"http://h/a-b.zip", "a-b.zip"},
        {"http://h/ab.zip", "unknown.zip"},
        {"http://h/name", "name."},
        {"http://h/!!!$$$.zip", "unknown.zip"},
        {"http://h/%2e%2e", "unknown."},
        {"http://h/%2e%2e%2f%2e%2e%2fetc%2fpasswd.zip", "2fpasswd.zip"},
        {"http://h/../../etc/passwd.zip", "passwd.zip"},
        {"http://h/get.php?f=..%2F..%2F..%2Fsecret.zip", "2Fsecret.zip"},
        {"http://h/" + longTitle + ".zip", std::string(241, 'a') + ".zip"},
    };
    for (const CCase& c : cases)
    {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(NameFor(c.url, kDuplicateSkip), c.name);
    }
}

TEST_F(LocalNameTest, DirectoryWithoutSeparatorStillHoldsTheFile)
{
    m_options.m_downloadDir = m_downloads.string();
    m_options.m_duplicateAction = kDuplicateRename;
    CUrl record("http://h/abc.zip");
    std::string path;
    ASSERT_TRUE(MakeLocalName(record, m_options, m_context, path));
    EXPECT_EQ(path, (m_downloads / "abc.zip").string());
}

TEST_F(LocalNameTest, DuplicatePolicies)
{
    Touch("abc.zip", 5);
    Touch("abc0001.zip", 7);
    Touch("name.");
    EXPECT_EQ(NameFor("http://h/abc.zip", kDuplicateSkip), "");
    EXPECT_EQ(NameFor("http://h/bcd.zip", kDuplicateSkip), "bcd.zip");
    EXPECT_EQ(NameFor("http://h/abc.zip", kDuplicateRename), "abc0002.zip");
    EXPECT_EQ(NameFor("http://h/name", kDuplicateRename), "name.0001");
    EXPECT_EQ(NameFor("http://h/abc.zip", kDuplicateOverwrite), "abc.zip");

    // Skip-same-size compares every existing variant in turn.
    struct CSizeCase
    {
        std::uint32_t size;
        std::string name;
    } sizeCases[] = {{5, ""}, {7, ""}, {9, "abc0002.zip"}};
    m_options.m_duplicateAction = kDuplicateSkipSameSize;
    for (const CSizeCase& c : sizeCases)
    {
        SCOPED_TRACE(c.size);
        CUrl record("http://h/abc.zip");
        record.m_size = c.size;
        record.m_sizeState = kSizeKnown;
        std::string path;
        const bool chosen = MakeLocalName(record, m_options, m_context, path);
        EXPECT_EQ(chosen ? path.substr(m_options.m_downloadDir.size()) : "", c.name);
    }
}

TEST_F(LocalNameTest, SkipSameSizeAsksTheServer)
{
    m_server.Server().Get("/abc.zip", [](const httplib::Request&, httplib::Response& response)
                          { response.set_content(std::string(7, 'y'), "application/zip"); });
    m_server.Start();
    Touch("abc.zip", 5);
    Touch("abc0001.zip", 7);
    m_options.m_duplicateAction = kDuplicateSkipSameSize;
    CUrl record(m_server.Url("/abc.zip"));
    std::string path;
    EXPECT_FALSE(MakeLocalName(record, m_options, m_context, path));
    EXPECT_EQ(record.m_sizeState.load(), kSizeKnown);
    EXPECT_EQ(record.m_size.load(), 7u);
}

TEST_F(LocalNameTest, MissingDirectory)
{
    const fs::path missing = m_dir.Path() / "new";
    m_options.m_downloadDir = missing.string() + "/";

    // Overwriting neither tests nor creates anything.
    EXPECT_EQ(NameFor("http://h/abc.zip", kDuplicateOverwrite), "abc.zip");
    EXPECT_FALSE(fs::exists(missing));

    EXPECT_EQ(NameFor("http://h/abc.zip", kDuplicateRename), "abc.zip");
    EXPECT_TRUE(fs::is_directory(missing));

    // One level only.
    m_options.m_downloadDir = (missing / "x" / "y").string() + "/";
    EXPECT_EQ(NameFor("http://h/abc.zip", kDuplicateRename), "");
    EXPECT_FALSE(fs::exists(missing / "x"));
    EXPECT_EQ(m_prompts.m_messages,
              std::vector<std::string>{"Harvestor: Failed to create " + m_options.m_downloadDir +
                                       " directory"});
}

TEST_F(LocalNameTest, WorkersCreatingTheDirectoryAtOnceAllSucceed)
{
    for (int round = 0; round < 20; ++round)
    {
        COptions options(m_options);
        options.m_downloadDir = (m_dir.Path() / ("race" + std::to_string(round))).string() + "/";
        options.m_duplicateAction = kDuplicateRename;
        std::atomic<int> chosen{0};
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; ++i)
            threads.emplace_back(
                [&, i]
                {
                    CUrl record("http://h/file" + std::to_string(i) + ".zip");
                    std::string path;
                    if (MakeLocalName(record, options, m_context, path))
                        chosen.fetch_add(1);
                });
        for (std::thread& thread : threads)
            thread.join();
        EXPECT_EQ(chosen.load(), 8);
    }
    EXPECT_TRUE(m_prompts.m_messages.empty());
}

TEST_F(LocalNameTest, ACounterNeverPushesALongNamePastTheLimit)
{
    const std::string url = "http://h/" + std::string(400, 'q') + ".zip";
    const std::string first = NameFor(url, kDuplicateRename);
    Touch(first);
    const std::string second = NameFor(url, kDuplicateRename);
    EXPECT_EQ(second, std::string(241, 'q') + "0001.zip");
}
