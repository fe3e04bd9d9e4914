#pragma once

#include "core/TrawlerCore.h"
#include "download/DownloadWorkers.h"
#include "net/TransferFixture.h"
#include "support/DirectoryNames.h"
#include "support/MemoryViews.h"
#include "support/StoreHolds.h"
#include "support/WaitFor.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

// A core with a session, a recording frame, an in-memory file list, scripted prompts and a
// local server, downloading into <temp>/dl/. The server serves /f/<bytes>/<name> (that many
// bytes, with Content-Length), /chunked/<bytes>/<name> (without) and /partial/<name> (8 KiB of a
// 100 KB body, then nothing until released, then the connection drops), and counts requests.
// /slow/<n>/<name> sends 20000 bytes of the letter n (0 is 'a') in ten paced parts; /liar/ tells
// HEAD 20 KiB and sends <bytes> without a length; /long/ tells only the GET, then waits too.
class CWorkerTest : public ::testing::Test
{
protected:
    CWorkerTest() : m_core(m_dir.Path().string(), m_dir.File("hvstr.log"))
    {
        m_downloads = m_dir.Path() / "dl";
        SetOptions(
            [this](COptions& o)
            {
                o.m_downloadDir = m_downloads.string() + "/";
                o.m_duplicateAction = kDuplicateRename;
                o.m_connectTimeout = 10;
                o.m_connectRetries = 0;
            });
        m_core.m_events.Install(&m_views);
        m_frame.SetPrompts(&m_prompts);
        m_core.SetPrompts(&m_prompts);
        EXPECT_TRUE(m_core.OpenSession("Hvstr152"));
        Serve();
    }

    ~CWorkerTest() override
    {
        m_server.Release();
        m_core.m_cancelDownload = true;
        EXPECT_TRUE(WaitForWorkers());
        m_core.m_events.Install(nullptr);
    }

    void SetOptions(const std::function<void(COptions&)>& change)
    {
        change(m_core.m_options);
        m_core.PublishOptions();
    }

    // Queues each path and handles the start message; returns the workers started.
    std::uint32_t Download(const std::vector<std::string>& paths)
    {
        for (const std::string& path : paths)
            EXPECT_TRUE(QueueForDownload(m_core, HoldNew(m_core.m_urlStore, m_server.Url(path))))
                << path;
        return StartDownloadWorkers(m_core);
    }

    bool WaitForWorkers() { return WaitForDownloadWorkers(m_core, std::chrono::seconds(120)); }

    std::string Downloaded(const std::string& name) const
    {
        return ReadFileBytes((m_downloads / name).string());
    }

    std::string DownloadedLine(const std::string& path, const std::string& name) const
    {
        return "Downloaded " + m_server.Url(path) + " as " + (m_downloads / name).string();
    }

    // The log's lines, sorted: workers finish in any order.
    std::vector<std::string> LogLines()
    {
        std::istringstream in(ReadFileBytes(m_dir.File("hvstr.log")));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        std::sort(lines.begin(), lines.end());
        return lines;
    }

    int Requests(const std::string& method, const std::string& path)
    {
        std::lock_guard lock(m_requestMutex);
        return m_requests[method + " " + path];
    }

    CTempDir m_dir;
    // Before the core: the session's kept connections point at it.
    CTestHttpServer m_server;
    CRecordingObserver m_frame;
    CMemoryFileList m_fileList;
    CMemoryViews m_views{&m_fileList, nullptr, &m_frame};
    CScriptedPrompts m_prompts;
    CTrawlerCore m_core;
    std::filesystem::path m_downloads;
    // /partial/ bodies waiting for the release.
    std::atomic<int> m_stalled{0};
    static constexpr std::size_t kSlowBytes = 20000;

private:
    void Serve()
    {
        auto& server = m_server.Server();
        // A server thread for every kept connection of 20 workers: a connection left waiting
        // for one would stall its download.
        server.new_task_queue = [] { return new httplib::ThreadPool(48); };
        server.Get(
            R"(/(f|chunked|liar|long)/(\d+)/.+)",
            [this](const httplib::Request& request, httplib::Response& response)
            {
                Count(request);
                const std::string kind = request.matches[1];
                const bool head = request.method == "HEAD";
                const std::size_t size = std::stoul(request.matches[2].str());
                if (kind == "f" || (kind == "liar" && head))
                    return response.set_content(std::string(kind == "f" ? size : 20 * 1024, 'f'),
                                                "application/zip");
                if (kind != "long" || head)
                    return response.set_chunked_content_provider(
                        "application/zip",
                        [size](std::size_t offset, httplib::DataSink& sink)
                        {
                            if (offset >= size)
                            {
                                sink.done();
                                return true;
                            }
                            const std::string part(std::min<std::size_t>(4000, size - offset), 'c');
                            return sink.write(part.data(), part.size());
                        });
                response.set_content_provider(size, "application/zip",
                                              [this](std::size_t, std::size_t, httplib::DataSink&)
                                              {
                                                  m_server.StallUntilReleased();
                                                  return false;
                                              });
            });
        server.Get(R"(/slow/(\d+)/.+)",
                   [this](const httplib::Request& request, httplib::Response& response)
                   {
                       Count(request);
                       const char letter = static_cast<char>('a' + std::stoi(request.matches[1]));
                       response.set_content_provider(
                           kSlowBytes, "application/zip",
                           [letter](std::size_t, std::size_t, httplib::DataSink& sink)
                           {
                               std::this_thread::sleep_for(std::chrono::milliseconds(20));
                               const std::string part(kSlowBytes / 10, letter);
                               return sink.write(part.data(), part.size());
                           });
                   });
        server.Get(R"(/partial/.+)",
                   [this](const httplib::Request& request, httplib::Response& response)
                   {
                       Count(request);
                       response.set_content_provider(
                           100000, "application/zip",
                           [this](std::size_t offset, std::size_t, httplib::DataSink& sink)
                           {
                               if (offset == 0)
                                   return sink.write(std::string(8192, 'p').data(), 8192);
                               m_stalled.fetch_add(1);
                               m_server.StallUntilReleased();
                               return false;
                           });
                   });
        m_server.Start();
        // A server stopped before its accept loop runs never stops; make sure it runs.
        WaitFor([this] { return m_server.Server().is_running(); });
    }

    void Count(const httplib::Request& request)
    {
        std::lock_guard lock(m_requestMutex);
        ++m_requests[request.method + " " + request.path];
    }

    std::mutex m_requestMutex;
    std::map<std::string, int> m_requests;
};
