#include "app/Headless.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstdlib>

namespace
{

bool IsSet(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

const char* const kHeadlessUsage =
    "usage: harvestor -site URL [-site URL ...] [-mode 1|2|3] [-identity AGENT] [-nocheck]\n"
    "                 [-term] [-hide] [-minimize]\n"
    "Without a display Harvestor runs headless: it crawls the sites given with -site, prints\n"
    "the found files' URLs, one per line, and exits when all work is done.\n";

bool IsHeadlessEnvironment()
{
    return !IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY");
}

void UseOffscreenPlatform()
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
}
