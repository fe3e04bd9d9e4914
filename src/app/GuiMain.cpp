// The window front-end, loaded by the program when a display is available.
#include "app/TrawlerApp.h"
#include "core/TrawlerCore.h"

#include <QApplication>
#include <string>
#include <vector>

extern "C" __attribute__((visibility("default"))) int HarvestorGuiMain(int argc, char** argv)
{
    // Qt takes the arguments it knows out of argv; the program's own parser must see them all.
    const std::vector<std::string> arguments(argv, argv + argc);
    std::vector<const char*> argumentPointers;
    for (const std::string& argument : arguments)
        argumentPointers.push_back(argument.c_str());

    QApplication application(argc, argv);
    // Matches the installed desktop entry, so the desktop shows the program's icon and name.
    QGuiApplication::setDesktopFileName(QStringLiteral("harvestor"));
    // The application decides when to end: a hidden main window or a closed dialog must not.
    QApplication::setQuitOnLastWindowClosed(false);

    // The core state lives as long as the window: the log is opened and the working directory
    // recorded before start-up begins.
    CTrawlerCore core;
    CTrawlerApp app(core);
    return app.Run(static_cast<int>(argumentPointers.size()), argumentPointers.data());
}
