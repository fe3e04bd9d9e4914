#pragma once

#include <QString>
#include <atomic>
#include <functional>

class QWidget;

// What a background task sees of its window: the cancel flag and the steps done so far.
struct CTaskControl
{
    std::atomic<bool> cancel{false};
    std::atomic<int> stepsDone{0};
};

// Runs work on a thread of its own, so that a server that does not answer never freezes the
// window: the window's thread keeps serving events (worker messages, insertions, painting) until
// the work has ended. Only the owner window shows the busy cursor, and only while the work runs.
// When the work lasts longer than a moment, a modal progress window with label and Cancel
// appears (steps of total, or a busy bar when total is 0); Cancel sets control.cancel, which
// the work watches. Until then, user input waits. True when the work ended without a cancel.
// User-interface thread only.
bool RunInBackground(QWidget* owner, const QString& label, int total,
                     const std::function<void(CTaskControl& control)>& work);

// How long the work may run before the progress window appears.
inline constexpr int kProgressDelayMs = 400;
