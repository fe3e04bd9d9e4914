#pragma once

#include "platform/EngineEvents.h"
#include "platform/LoginRequest.h"
#include "platform/UserPrompts.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// Keeps every event the engine posts instead of acting on it. Any thread. With prompts set, it
// also answers as a front-end would: messages are shown and login questions answered through
// them, on the posting thread. Without, login questions are cancelled at once, as a front-end
// without a user does, unless the test holds them to answer them itself.
class CRecordingObserver : public CEngineObserver
{
public:
    void SetPrompts(CUserPrompts* prompts) { m_prompts.store(prompts); }
    void HoldLoginPrompts() { m_holdLogins.store(true); }

    void OnEvent(CEngineEvent event) override
    {
        if (const auto* prompt = std::get_if<CLoginPromptEvent>(&event);
            prompt != nullptr && m_prompts.load() == nullptr && !m_holdLogins.load())
            prompt->request->Answer(false);
        if (CUserPrompts* prompts = m_prompts.load())
        {
            if (const auto* message = std::get_if<CShowMessageEvent>(&event))
                prompts->ShowMessageAs(message->kind, message->caption, message->text);
            else if (const auto* prompt = std::get_if<CLoginPromptEvent>(&event))
            {
                CLoginRequest& request = *prompt->request;
                std::string userName = request.UserName();
                std::string password = request.Password();
                const bool ok = prompts->AskLogin(request.Server(), userName, password);
                request.Answer(ok, std::move(userName), std::move(password));
            }
        }
        std::lock_guard lock(m_mutex);
        m_events.push_back(std::move(event));
    }

    std::vector<CEngineEvent> Events() const
    {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

    // How many events of kind T arrived; with match, only those it accepts.
    template <class T, class Match> int Count(Match match) const
    {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(std::count_if(m_events.begin(), m_events.end(),
                                              [&](const CEngineEvent& e)
                                              {
                                                  const T* event = std::get_if<T>(&e);
                                                  return event != nullptr && match(*event);
                                              }));
    }
    template <class T> int Count() const
    {
        return Count<T>([](const T&) { return true; });
    }
    // Status texts equal to text.
    int StatusTexts(const std::string& text) const
    {
        return Count<CStatusTextEvent>([&](const CStatusTextEvent& e) { return e.text == text; });
    }
    int PageStates(std::int32_t image) const
    {
        return Count<CPageStateEvent>([&](const CPageStateEvent& e) { return e.image == image; });
    }
    // The last state reported for url, with its reason; -1 without one.
    std::pair<std::int64_t, std::string> LastState(const std::string& url) const
    {
        std::lock_guard lock(m_mutex);
        for (auto e = m_events.rbegin(); e != m_events.rend(); ++e)
            if (const auto* state = std::get_if<CDownloadStateEvent>(&*e);
                state != nullptr && state->report.url == url)
                return {state->state, state->report.reason};
        return {-1, {}};
    }
    // The most bytes that a report on url has given.
    std::uint64_t MostReceived(const std::string& url) const
    {
        std::lock_guard lock(m_mutex);
        std::uint64_t most = 0;
        for (const CEngineEvent& e : m_events)
            if (const auto* state = std::get_if<CDownloadStateEvent>(&e);
                state != nullptr && state->report.url == url)
                most = std::max(most, state->report.received);
        return most;
    }
    // The forward progress steps: how many events carried them, and their sum.
    int ProgressPosts() const { return ProgressSum(false); }
    int ProgressTicks() const { return ProgressSum(true); }

private:
    int ProgressSum(bool bySize) const
    {
        std::lock_guard lock(m_mutex);
        int sum = 0;
        for (const CEngineEvent& e : m_events)
            if (const auto* step = std::get_if<CProgressStepEvent>(&e); step && step->steps > 0)
                sum += bySize ? static_cast<int>(step->steps) : 1;
        return sum;
    }

    std::atomic<CUserPrompts*> m_prompts{nullptr};
    std::atomic<bool> m_holdLogins{false};
    mutable std::mutex m_mutex;
    std::vector<CEngineEvent> m_events;
};
