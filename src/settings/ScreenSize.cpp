#include "settings/ScreenSize.h"

#include <mutex>
#include <utility>

namespace
{
// The one process-wide hook between the display and the core.
std::mutex g_providerMutex;
ScreenSizeProvider g_provider;
} // namespace

void SetScreenSizeProvider(ScreenSizeProvider provider)
{
    std::lock_guard lock(g_providerMutex);
    g_provider = std::move(provider);
}

CScreenSize CurrentScreenSize()
{
    ScreenSizeProvider provider;
    {
        std::lock_guard lock(g_providerMutex);
        provider = g_provider;
    }
    return provider ? provider() : CScreenSize{};
}
