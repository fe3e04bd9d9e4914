#include "TransferFixture.h"
#include "net/ResumablePart.h"
#include "net/UrlTransfers.h"
#include "support/DirectoryNames.h"
#include "support/HostileServer.h"
#include "url/Url.h"

#include <mutex>
#include <random>

namespace
{

constexpr std::size_t kBodyBytes = 300 * 1024;
constexpr std::size_t kCutAt = kBodyBytes * 40 / 100;

std::string RandomBody(unsigned seed)
{
    std::mt19937 random(seed);
    std::string body(kBodyBytes, '\0');
    for (char& c : body)
        c = static_cast<char>(random());
    return body;
}

// What the server does with a request for the rest of the file.
enum class ERest
{
    Sent,         // 206 with the rest
    Ignored,      // 200 with the whole file
    OtherVersion, // 206 with the rest of a new version (If-Range not honoured)
};

} // namespace

// /file.bin on a raw server: the first GET sends 40 % of the body and drops the connection;
// later GETs answer a Range request as the case says.
class ResumeTest : public CTransferTest
{
protected:
    void Serve(ERest rest, const std::string& validatorHeader)
    {
        m_hostile.Handle(
            "/file.bin",
            [=, this](CHostileExchange& exchange)
            {
                const std::string range = exchange.Header("Range");
                std::size_t count = 0;
                {
                    std::lock_guard lock(m_mutex);
                    m_ranges.push_back(range);
                    count = m_ranges.size();
                }
                const bool changed = rest == ERest::OtherVersion && count > 1;
                const std::string& body = changed ? m_newBody : m_body;
                const std::string validator =
                    validatorHeader + ": " +
                    (validatorHeader == "ETag" ? (changed ? "\"v2\"" : "\"v1\"")
                                               : (changed ? "Tue, 01 Dec 2026 10:00:00 GMT"
                                                          : "Mon, 30 Nov 2026 10:00:00 GMT")) +
                    "\r\n";
                if (count == 1)
                {
                    exchange.Send("HTTP/1.1 200 OK\r\nContent-Length: " +
                                  std::to_string(kBodyBytes) + "\r\n" + validator + "\r\n");
                    exchange.Send(std::string_view(m_body).substr(0, kCutAt));
                    return false;
                }
                if (range.empty() || rest == ERest::Ignored)
                    return exchange.Answer(200, "application/octet-stream", body, validator);
                const std::size_t from = std::stoul(range.substr(6));
                return exchange.Answer(206, "application/octet-stream", body.substr(from),
                                       validator + "Content-Range: bytes " + std::to_string(from) +
                                           "-" + std::to_string(kBodyBytes - 1) + "/" +
                                           std::to_string(kBodyBytes) + "\r\n");
            });
    }

    bool Download(CDownloadOutcome& outcome, CRecordingProgress& progress)
    {
        CUrl record(m_hostile.Url("/file.bin"));
        CDownloadRules rules;
        rules.outcome = &outcome;
        return DownloadTo(record, m_context, progress, m_target, rules);
    }

    std::vector<std::string> Ranges()
    {
        std::lock_guard lock(m_mutex);
        return m_ranges;
    }

    std::string PartName() const
    {
        return std::filesystem::path(ResumablePartPath(m_hostile.Url("/file.bin"), m_target))
            .filename()
            .string();
    }

    const std::string m_body = RandomBody(1);
    const std::string m_newBody = RandomBody(2);
    const std::string m_target = m_dir.File("file.bin");
    CHostileServer m_hostile;
    std::mutex m_mutex;
    std::vector<std::string> m_ranges;
};

// A file past 4 GiB continues like any other: its announced length and its Content-Range total
// are read in 64 bits, so the rest is appended rather than fetched again from the start.
TEST_F(ResumeTest, AFilePast4GiBContinuesFromItsKeptBytes)
{
    const std::string huge = std::to_string(5ULL << 30);
    m_hostile.Handle("/file.bin",
                     [&](CHostileExchange& exchange)
                     {
                         const std::string range = exchange.Header("Range");
                         {
                             std::lock_guard lock(m_mutex);
                             m_ranges.push_back(range);
                         }
                         const std::string rest = "Content-Range: bytes 1000-" +
                                                  std::to_string((5ULL << 30) - 1) + "/" + huge;
                         // Each answer drops the connection part way.
                         if (range.empty())
                             exchange.Send("HTTP/1.1 200 OK\r\nContent-Length: " + huge +
                                           "\r\nETag: \"h\"\r\n\r\n" + std::string(1000, 'a'));
                         else
                             exchange.Send("HTTP/1.1 206 Partial Content\r\nContent-Length: " +
                                           std::to_string((5ULL << 30) - 1000) +
                                           "\r\nETag: \"h\"\r\n" + rest + "\r\n\r\n" +
                                           std::string(500, 'b'));
                         return false;
                     });
    for (int attempt = 0; attempt < 2; ++attempt)
    {
        CDownloadOutcome outcome;
        CRecordingProgress progress;
        EXPECT_FALSE(Download(outcome, progress));
        EXPECT_EQ(progress.m_begins, std::vector<std::int64_t>{std::stoll(huge)});
    }
    EXPECT_EQ(Ranges(), (std::vector<std::string>{"", "bytes=1000-"}));
    const std::string part = m_dir.File(PartName());
    EXPECT_EQ(ReadFileBytes(part), std::string(1000, 'a') + std::string(500, 'b'));
    EXPECT_NE(ReadFileBytes(part + ".info").find("\n" + huge + "\n"), std::string::npos);
}

TEST_F(ResumeTest, ACutDownloadContinuesOnlyWithTheRestOfTheSameVersion)
{
    const std::string rest = "bytes=" + std::to_string(kCutAt) + "-";
    const struct
    {
        const char* name;
        ERest answer;
        const char* validatorHeader;
        std::vector<std::string> ranges; // of each request
        bool newVersion;
        std::size_t received; // bytes counted by the statistics
    } cases[] = {
        {"rest by ETag", ERest::Sent, "ETag", {"", rest}, false, kBodyBytes},
        {"rest by date", ERest::Sent, "Last-Modified", {"", rest}, false, kBodyBytes},
        {"range ignored", ERest::Ignored, "ETag", {"", rest}, false, kCutAt + kBodyBytes},
        {"new version", ERest::OtherVersion, "ETag", {"", rest, ""}, true, kCutAt + kBodyBytes},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        m_ranges.clear();
        m_statistics.m_receivedBytes = 0;
        Serve(c.answer, c.validatorHeader);

        CDownloadOutcome outcome;
        CRecordingProgress cutProgress;
        EXPECT_FALSE(Download(outcome, cutProgress));
        EXPECT_EQ(outcome.end, EDownloadEnd::Failed);
        EXPECT_EQ(outcome.reason.rfind("connection problem: ", 0), 0u) << outcome.reason;
        // Only the partial file and its record: never anything under the final name.
        const std::set<std::string> kept = {PartName(), PartName() + ".info", "hvstr.log"};
        EXPECT_EQ(DirectoryNames(m_dir.Path()), kept);

        CRecordingProgress progress;
        EXPECT_TRUE(Download(outcome, progress));
        EXPECT_EQ(outcome.end, EDownloadEnd::Done);
        EXPECT_EQ(Ranges(), c.ranges);
        EXPECT_TRUE(ReadFileBytes(m_target) == (c.newVersion ? m_newBody : m_body));
        EXPECT_EQ(progress.m_begins.back(), static_cast<std::int64_t>(kBodyBytes));
        EXPECT_EQ(progress.m_last, kBodyBytes);
        EXPECT_EQ(m_statistics.m_receivedBytes.load(), c.received);
        EXPECT_EQ(DirectoryNames(m_dir.Path()), (std::set<std::string>{"file.bin", "hvstr.log"}));
        std::filesystem::remove(m_target);
    }
}
