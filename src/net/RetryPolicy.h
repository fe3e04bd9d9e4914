#pragma once

#include <chrono>
#include <optional>
#include <string_view>

// When a transfer that failed for a reason that may pass is tried again, and after how long.

// The longest back-off between two tries, and the longest Retry-After that is waited for: a
// server that asks for more is treated as failed.
inline constexpr std::chrono::seconds kMaxBackoff{60};
inline constexpr std::chrono::seconds kMaxRetryAfter{600};

// An answer that says "not now" rather than "no": 408, 429, 500, 502, 503 and 504.
bool IsRetriedStatus(int status);
// An answer that tells every request to the site to hold off (429 and 503), not only this one.
bool BlocksSite(int status);

// The wait that a Retry-After value asks for: whole seconds, or an HTTP date (a date in the past
// asks for none). Nothing when the value is empty or cannot be read.
std::optional<std::chrono::seconds> ParseRetryAfter(std::string_view value,
                                                    std::chrono::system_clock::time_point now);

// The wait before retry number retry (0 for the first): 1, 2, 4, ... seconds, at most
// kMaxBackoff, plus a random part of up to half a second so that workers that failed together do
// not come back together.
std::chrono::milliseconds BackoffDelay(int retry);

// Tests: every back-off delay is multiplied by scale (1 restores the real schedule). Retry-After
// waits stay as the server asked. Any thread.
void SetBackoffScaleForTests(double scale);
