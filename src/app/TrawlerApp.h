#pragma once

#include "session/CommandLineInfo.h"

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CGuiPrompts;
class CMainFrame;
class CTrawlerDoc;
class QWidget;
class CEngine;

// The application: starts the program (settings, main window, Internet session, histories,
// the sites of the command line), and saves what must survive when it ends.
class CTrawlerApp : public QObject
{
    Q_OBJECT

public:
    // The modal steps of start-up. Tests replace them to see when they run.
    struct CStartupSteps
    {
        std::function<void(QWidget* owner)> showAbout;
        // True when a newer version was offered; the command line's sites are then skipped.
        std::function<bool(QWidget* owner, CEngine& engine)> runUpgradeCheck;
        std::function<void(CMainFrame& frame)> promptForSite;
    };

    explicit CTrawlerApp(CEngine& engine);
    ~CTrawlerApp() override;

    // Start-up, in order. False: the program ends without running its message loop
    // (ExitCode() says with which status).
    bool InitInstance(int argc, const char* const* argv);
    // Shut-down after the main window has gone; returns the process's exit status.
    int ExitInstance();
    // InitInstance, the message loop while the main window lives, the main window's closing
    // and ExitInstance. Returns the exit status.
    int Run(int argc, const char* const* argv);

    // Closes the main window (its shut-down steps run, without the question about running
    // downloads) when it still exists and is open.
    void CloseMainFrame();

    CMainFrame* MainFrame() const { return m_frame.get(); }
    CGuiPrompts& Prompts() const { return *m_prompts; }
    CStartupSteps& Steps() { return m_steps; }
    int ExitCode() const { return m_exitCode; }
    // The found-file list's URLs at the moment the main window closed.
    const std::vector<std::string>& FoundFilesAtClose() const { return m_foundFilesAtClose; }

private:
    void ShowMainFrameInFinalState();
    void RecordWorkDirectory();
    void UseUserDownloadFolder();
    void BrowseCommandLineSites();
    void OnFrameDestroyed();

    CEngine& m_engine;
    CStartupSteps m_steps;
    std::unique_ptr<CGuiPrompts> m_prompts;
    std::unique_ptr<CTrawlerDoc> m_doc;
    std::unique_ptr<CMainFrame> m_frame;
    CTrawlerCommandLineInfo m_commandLine;
    bool m_curlInitialized = false;
    bool m_frameClosed = false;
    int m_exitCode = 0;
    std::vector<std::string> m_foundFilesAtClose;
};
