// One program, two front-ends: the window where a display is, the headless tool elsewhere (or
// with -headless). The window's code and Qt are loaded only when the window is wanted, so a
// headless run starts fast and small.
#include "cli/HeadlessRun.h"
#include "session/CommandLineInfo.h"
#include "settings/ModeData.h"
#include "settings/Options.h"

#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

#ifndef HARVESTOR_VERSION
#define HARVESTOR_VERSION "unknown"
#endif

namespace
{

// The window front-end's entry point in its loadable module.
using GuiMainFunction = int (*)(int argc, char** argv);
constexpr const char* kGuiEntry = "HarvestorGuiMain";
constexpr const char* kGuiModule = "harvestor-gui.so";

std::string ExecutableDirectory()
{
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return ".";
    std::string text(path, static_cast<std::size_t>(length));
    const std::size_t slash = text.rfind('/');
    return slash == std::string::npos ? "." : text.substr(0, slash);
}

// Beside the program in a build tree; under lib/harvestor when installed.
void* LoadGuiModule()
{
    const std::string directory = ExecutableDirectory();
    for (const std::string& candidate :
         {directory + "/" + kGuiModule, directory + "/../lib/harvestor/" + kGuiModule})
    {
        if (::access(candidate.c_str(), R_OK) != 0)
            continue;
        if (void* module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL))
            return module;
        std::fprintf(stderr, "harvestor: %s\n", ::dlerror());
        return nullptr;
    }
    std::fprintf(stderr, "harvestor: the window front-end (%s) is not installed; use -headless\n",
                 kGuiModule);
    return nullptr;
}

} // namespace

int main(int argc, char* argv[])
{
    CTrawlerCommandLineInfo commandLine;
    commandLine.ParseCommandLine(argc, argv);
    if (commandLine.m_help)
    {
        // The values the settings have now, read without writing anything.
        COptions options;
        options.Load();
        CTrawlerCommandLineInfo withMode(options.m_defaultMode);
        withMode.ParseCommandLine(argc, argv);
        std::fputs(HelpText(options, PeekMode(withMode.m_modeIndex, options)).c_str(), stdout);
        return 0;
    }
    if (commandLine.m_version)
    {
        std::printf("Harvestor %s\n", HARVESTOR_VERSION);
        return 0;
    }
    if (commandLine.m_headless || IsHeadlessEnvironment())
        return RunHeadless(argc, argv);

    if (!commandLine.m_settings.empty() || commandLine.m_save)
        std::fprintf(
            stderr, "harvestor: ignored in a window run (they set runs without one): %s\n",
            (RunSettingNames(commandLine.m_settings) +
             (commandLine.m_save ? std::string(commandLine.m_settings.empty() ? "-save" : ", -save")
                                 : ""))
                .c_str());
    void* module = LoadGuiModule();
    if (module == nullptr)
        return 1;
    auto guiMain = reinterpret_cast<GuiMainFunction>(::dlsym(module, kGuiEntry));
    if (guiMain == nullptr)
    {
        std::fprintf(stderr, "harvestor: %s\n", ::dlerror());
        return 1;
    }
    // The module stays loaded until the process ends: Qt's objects may live until exit.
    return guiMain(argc, argv);
}
