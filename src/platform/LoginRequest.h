#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <utility>

// What a login prompt got back: OK with the entered texts, or Cancel.
struct CLoginAnswer
{
    bool ok = false;
    std::string userName;
    std::string password;
};

// A user-name and password question that an engine thread puts to the front-end. The front-end
// answers it on its own thread; the engine thread waits on the request's own condition variable
// and gives up, as Cancel, when its cancel flag is set or nobody can answer any more.
class CLoginRequest
{
public:
    // The server and the texts to show (the last answer after a refusal).
    CLoginRequest(std::string server, std::string userName, std::string password)
        : m_server(std::move(server)), m_userName(std::move(userName)),
          m_password(std::move(password))
    {
    }

    const std::string& Server() const { return m_server; }
    const std::string& UserName() const { return m_userName; }
    const std::string& Password() const { return m_password; }

    // The front-end's answer; any thread. Only the first answer counts.
    void Answer(bool ok, std::string userName = {}, std::string password = {})
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_answered)
                return;
            m_answered = true;
            m_answer = CLoginAnswer{ok, std::move(userName), std::move(password)};
        }
        m_changed.notify_all();
    }

    // True once the question is answered or given up; a question still shown can close then.
    bool Settled()
    {
        std::lock_guard lock(m_mutex);
        return m_answered;
    }

    // Lets a waiter look at its cancel flag again (the flag is set before this is called).
    void Wake()
    {
        // Taking the lock orders the flag's store before the waiter's next look at it.
        {
            std::lock_guard lock(m_mutex);
        }
        m_changed.notify_all();
    }

    // The engine thread: waits for the answer. A set cancel flag ends the wait as Cancel, and
    // an answer that comes after that is ignored.
    CLoginAnswer Wait(const std::atomic<bool>* cancel)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_answered || (cancel != nullptr && cancel->load()); });
        if (!m_answered)
        {
            m_answered = true;
            m_answer = CLoginAnswer{};
        }
        return m_answer;
    }

private:
    const std::string m_server;
    const std::string m_userName;
    const std::string m_password;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_answered = false;
    CLoginAnswer m_answer;
};
