#pragma once

#include "net/ConnectionCache.h"
#include "net/InternetSession.h"
#include "net/RetryPolicy.h"
#include "net/SiteBackoff.h"
#include "net/TransferContext.h"
#include "net/TransferProgress.h"
#include "platform/EventPoster.h"
#include "platform/Statistics.h"
#include "platform/UserPrompts.h"
#include "settings/LogFile.h"
#include "settings/Options.h"
#include "support/FileBytes.h"
#include "support/RecordingObserver.h"
#include "support/TempDir.h"
#include "support/TestHttpServer.h"

#include <atomic>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

// Answers login prompts from a script; Cancel once the script is used up.
class CScriptedPrompts : public CUserPrompts
{
public:
    struct CAnswer
    {
        std::string userName;
        std::string password;
    };

    void ShowMessage(const std::string& caption, const std::string& text) override
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(caption + ": " + text);
    }
    bool AskLogin(const std::string& server, std::string& userName, std::string& password) override
    {
        std::lock_guard lock(m_mutex);
        m_asked.push_back(server + " shown " + userName + "/" + password);
        if (m_answers.empty())
            return false;
        userName = m_answers.front().userName;
        password = m_answers.front().password;
        m_answers.pop_front();
        return true;
    }
    bool OpenWithShell(const std::string&) override { return false; }

    std::mutex m_mutex;
    std::deque<CAnswer> m_answers;
    std::vector<std::string> m_asked;
    std::vector<std::string> m_messages;
};

// Records what a download reports.
class CRecordingProgress : public CTransferProgress
{
public:
    void OnBegin(std::int64_t expected) override { m_begins.push_back(expected); }
    void OnProgress(std::uint64_t received) override
    {
        m_last = received;
        if (m_onProgress)
            m_onProgress(received);
    }
    void OnEnd(bool complete) override { m_ends.push_back(complete); }

    std::vector<std::int64_t> m_begins;
    std::uint64_t m_last = 0;
    std::vector<bool> m_ends;
    std::function<void(std::uint64_t)> m_onProgress;
};

// Everything a transfer needs, on a fresh server and a fresh log per test. The server is
// declared first so that it outlives the session whose kept connections point at it.
class CTransferTest : public ::testing::Test
{
protected:
    CTransferTest() : m_options(m_dir.Path().string()), m_log(m_dir.File("hvstr.log"))
    {
        m_options.m_connectTimeout = 5;
        m_options.m_connectRetries = 0;
        // Retries wait milliseconds, not seconds; no site is held off from an earlier test.
        SetBackoffScaleForTests(0.01);
        CSiteBackoff::Shared().Clear();
        m_frameSink.SetPrompts(&m_prompts);
        m_events.Install(&m_frameSink);
    }
    ~CTransferTest() override { m_events.Install(nullptr); }

    std::string Log() { return ReadFileBytes(m_dir.File("hvstr.log")); }

    CTempDir m_dir;
    CTestHttpServer m_server;
    CInternetSession m_session{"Hvstr152"};
    CConnectionCache m_connections;
    COptions m_options;
    CLogFile m_log;
    CStatistics m_statistics;
    CEventPoster m_events;
    CRecordingObserver m_frameSink;
    CScriptedPrompts m_prompts;
    std::atomic<bool> m_cancelBrowse{false};
    std::atomic<bool> m_cancelDownload{false};
    CTransferContext m_context{m_session,    m_connections, m_options,      m_log,
                               m_statistics, m_events,      m_cancelBrowse, m_cancelDownload};
};
