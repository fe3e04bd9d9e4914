// The window front-end, loaded by the program when a display is available.
#include "app/TrawlerApp.h"
#include "session/Engine.h"
#include "settings/DataFolderLock.h"
#include "settings/DataPaths.h"

#include <QApplication>
#include <QMessageBox>
#include <string>
#include <vector>

namespace
{
// The headless run's status for the same case.
constexpr int kFolderInUseStatus = 4;
} // namespace

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

    // Before the engine opens the log: a second run must leave the first one's files alone.
    CDataFolderLock folderLock;
    if (!folderLock.Take(CurrentDirectory()))
    {
        QMessageBox::critical(nullptr, QStringLiteral("Harvestor"),
                              QString::fromStdString(folderLock.Problem()));
        return kFolderInUseStatus;
    }

    // The engine lives as long as the window: the log is opened and the working directory
    // recorded before start-up begins.
    CEngine engine;
    CTrawlerApp app(engine);
    return app.Run(static_cast<int>(argumentPointers.size()), argumentPointers.data());
}
