#pragma once

#include <chrono>
#include <thread>

// Polls predicate until it holds or the time budget runs out; returns the last answer.
template <class Predicate>
bool WaitFor(Predicate predicate, std::chrono::milliseconds budget = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + budget;
    while (!predicate())
    {
        if (std::chrono::steady_clock::now() >= deadline)
            return predicate();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
