#pragma once

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <type_traits>
#include <utility>

// Runs function on context's thread (the user-interface thread for widgets) and returns its
// result: directly when the caller is on that thread already, else as a blocking queued call,
// so the caller waits until it has run. If context is destroyed before the call runs, the
// caller is released and gets a value-initialised result.
template <class Function>
auto CallOnGuiThread(QObject* context, Function&& function) -> std::invoke_result_t<Function&>
{
    using Result = std::invoke_result_t<Function&>;
    if (QThread::currentThread() == context->thread())
        return function();
    if constexpr (std::is_void_v<Result>)
    {
        QMetaObject::invokeMethod(
            context, [&function] { function(); }, Qt::BlockingQueuedConnection);
    }
    else
    {
        Result result{};
        QMetaObject::invokeMethod(
            context, [&function, &result] { result = function(); }, Qt::BlockingQueuedConnection);
        return result;
    }
}
