#pragma once

#include "MemoryTargets.h"
#include "TransferFixture.h"
#include "download/DownloadWorkers.h"
#include "download/TrawlerCore.h"
#include "support/WaitFor.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

// Keeps every message posted to the main frame.
class CRecordingFrame : public CFrameMessageSink
{
public:
    void Deliver(CFrameMessage message) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(std::move(message));
    }
    int Count(std::uint32_t message, std::int64_t wParam)
    {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(std::count_if(
            m_messages.begin(), m_messages.end(),
            [&](const CFrameMessage& m) { return m.message == message && m.wParam == wParam; }));
    }
    std::vector<std::string> StatusTexts()
    {
        std::lock_guard lock(m_mutex);
        std::vector<std::string> texts;
        for (const CFrameMessage& m : m_messages)
            if (m.message == WM_SET_STATUS && m.wParam == STATUS_TEXT)
                texts.push_back(m.payload.text);
        std::sort(texts.begin(), texts.end());
        return texts;
    }

private:
    std::mutex m_mutex;
    std::vector<CFrameMessage> m_messages;
};

// A core with a session, a recording frame, an in-memory file list and scripted prompts, a
// local server and an empty download directory. The server serves:
//   /f/<bytes>/<name>        that many bytes with Content-Length;
//   /chunked/<bytes>/<name>  that many bytes without Content-Length;
//   /stall/<name>            nothing until the server is released;
// and counts the requests per path and method.
class CWorkerTest : public ::testing::Test
{
protected:
    CWorkerTest() : m_core(m_dir.Path().string(), m_dir.File("hvstr.log"))
    {
        m_downloads = m_dir.Path() / "dl";
        COptions& options = m_core.m_options;
        options.m_downloadDir = m_downloads.string() + "/";
        options.m_duplicateAction = kDuplicateRename;
        options.m_checkLength = kCheckLengthNever;
        options.m_connectTimeout = 10;
        options.m_connectRetries = 0;
        m_core.PublishOptions();
        m_core.m_frame.InstallSink(&m_frame);
        m_core.m_foundFiles.SetTarget(&m_fileList);
        m_core.SetPrompts(&m_prompts);
        EXPECT_TRUE(m_core.OpenSession("Hvstr152"));
        ServeFiles();
    }

    ~CWorkerTest() override
    {
        m_server.Release();
        m_core.m_cancelDownload = true;
        EXPECT_TRUE(WaitForDownloadWorkers(m_core, std::chrono::seconds(120)));
        m_core.m_foundFiles.SetTarget(nullptr);
        m_core.m_frame.InstallSink(nullptr);
    }

    void SetOptions(const std::function<void(COptions&)>& change)
    {
        change(m_core.m_options);
        m_core.PublishOptions();
    }

    void Queue(const std::string& path)
    {
        auto* record = new CUrl(m_server.Url(path));
        bool storeOwns = false;
        EXPECT_TRUE(QueueForDownload(m_core, *record, &storeOwns)) << path;
        EXPECT_TRUE(storeOwns);
    }

    bool WaitForWorkers() { return WaitForDownloadWorkers(m_core, std::chrono::seconds(120)); }

    std::string Download(const std::string& name) const
    {
        return ReadFileBytes((m_downloads / name).string());
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
    CRecordingFrame m_frame;
    CMemoryFileList m_fileList;
    CScriptedPrompts m_prompts;
    CTrawlerCore m_core;
    std::filesystem::path m_downloads;
    // Set once a /stall/ handler or the partial body is waiting.
    std::atomic<int> m_stalled{0};

private:
    void Count(const httplib::Request& request)
    {
        std::lock_guard lock(m_requestMutex);
        ++m_requests[request.method + " " + request.path];
    }

    void ServeFiles()
    {
        auto& server = m_server.Server();
        // A thread per kept connection of every worker, and more: a connection waiting for a
        // server thread would stall its download.
        server.new_task_queue = [] { return new httplib::ThreadPool(48); };
        server.Get(R"(/f/(\d+)/.+)",
                   [this](const httplib::Request& request, httplib::Response& response)
                   {
                       Count(request);
                       const std::size_t size = std::stoul(request.matches[1].str());
                       response.set_content(std::string(size, 'f'), "application/zip");
                   });
        server.Get(R"(/chunked/(\d+)/.+)",
                   [this](const httplib::Request& request, httplib::Response& response)
                   {
                       Count(request);
                       const std::size_t size = std::stoul(request.matches[1].str());
                       response.set_chunked_content_provider(
                           "application/zip",
                           [size](std::size_t offset, httplib::DataSink& sink)
                           {
                               if (offset >= size)
                                   sink.done();
                               else
                               {
                                   const std::string part(
                                       std::min<std::size_t>(4000, size - offset), 'c');
                                   sink.write(part.data(), part.size());
                               }
                               return true;
                           });
                   });
        server.Get(R"(/stall/.+)",
                   [this](const httplib::Request& request, httplib::Response& response)
                   {
                       Count(request);
                       m_stalled.fetch_add(1);
                       m_server.StallUntilReleased();
                       response.set_content("late", "application/zip");
                   });
        // 8 KiB of a 100 KB body, then nothing until released, then the connection drops.
        server.Get(R"(/partial/.+)",
                   [this](const httplib::Request& request, httplib::Response& response)
                   {
                       Count(request);
                       response.set_content_provider(
                           100000, "application/zip",
                           [this](std::size_t offset, std::size_t, httplib::DataSink& sink)
                           {
                               if (offset == 0)
                               {
                                   const std::string part(8192, 'p');
                                   sink.write(part.data(), part.size());
                                   return true;
                               }
                               m_stalled.fetch_add(1);
                               m_server.StallUntilReleased();
                               return false;
                           });
                   });
        m_server.Start();
        // A server stopped before its accept loop runs never stops; make sure it runs.
        WaitFor([this] { return m_server.Server().is_running(); });
    }

    std::mutex m_requestMutex;
    std::map<std::string, int> m_requests;
};
