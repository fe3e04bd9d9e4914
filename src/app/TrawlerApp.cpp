#include "app/TrawlerApp.h"

#include "app/AppMessages.h"
#include "app/CommandIds.h"
#include "app/FileList.h"
#include "app/GuiPrompts.h"
#include "app/GuiSeams.h"
#include "app/MainFrame.h"
#include "app/TrawlerDoc.h"
#include "app/WaitCursor.h"
#include "session/Engine.h"
#include "settings/ScreenSize.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <filesystem>

namespace
{

constexpr const char* kRegistryKey = "Quillfen";

CScreenSize PrimaryScreenSize()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return CScreenSize{};
    const QRect geometry = screen->geometry();
    return CScreenSize{geometry.width(), geometry.height()};
}

} // namespace

CTrawlerApp::CTrawlerApp(CEngine& engine)
    : m_engine(engine), m_prompts(std::make_unique<CGuiPrompts>(false))
{
    m_engine.SetPrompts(m_prompts.get());
    m_steps.showAbout = [](QWidget* owner) { ShowStartupAboutBox(owner); };
    m_steps.runUpgradeCheck = [](QWidget* owner, CEngine& appEngine)
    { return RunUpgradeCheck(owner, appEngine); };
    m_steps.promptForSite = [](CMainFrame& frame) { frame.ExecuteCommand(ID_ADD_SITE); };
}

CTrawlerApp::~CTrawlerApp()
{
    m_frame.reset();
    if (&m_engine.Prompts() == m_prompts.get())
        m_engine.SetPrompts(nullptr);
    SetScreenSizeProvider({});
    if (m_curlInitialized)
        StopNetworkLibrary();
}

bool CTrawlerApp::InitInstance(int argc, const char* const* argv)
{
    // The network library, before any thread starts.
    m_curlInitialized = StartNetworkLibrary();
    if (!m_curlInitialized)
    {
        m_prompts->ShowMessageAs(CUserPrompts::EKind::Error, kAppName, kSocketsFailedMessage);
        return false;
    }

    // The per-user settings store; the options' window defaults follow the screen.
    QCoreApplication::setOrganizationName(QString::fromLatin1(kRegistryKey));
    QCoreApplication::setApplicationName(QString::fromLatin1(kAppName));
    SetScreenSizeProvider(PrimaryScreenSize);

    // The options. Created by the window, they download into the user's download folder, where
    // the file manager shows them; every later run uses the folder they name.
    const bool optionsExisted = std::filesystem::exists(m_engine.Options()->ResolvePath({}));
    m_engine.LoadOptions();
    if (!optionsExisted)
        UseUserDownloadFolder();

    // The document.
    m_doc = std::make_unique<CTrawlerDoc>();
    m_doc->SetPrompts(m_prompts.get());

    // The command line, then the main window.
    m_commandLine = CTrawlerCommandLineInfo(m_engine.Options()->m_defaultMode);
    m_commandLine.ParseCommandLine(argc, argv);
    m_frame = std::make_unique<CMainFrame>(m_engine, *m_doc, false);
    connect(m_frame.get(), &CMainFrame::frameDestroyed, this, &CTrawlerApp::OnFrameDestroyed);
    m_prompts->SetOwner(m_frame.get());
    m_doc->OnNewDocument();
    m_frame->show();

    // The one Internet session, with the agent of the command line.
    if (!m_engine.Open(m_commandLine.m_agent))
    {
        m_prompts->ShowMessageAs(CUserPrompts::EKind::Error, kAppName, kSocketsFailedMessage);
        return false;
    }

    // The window's own state.
    ShowMainFrameInFinalState();

    // The folder of the first run, for the user's settings store.
    RecordWorkDirectory();

    // The About box greets a user who started the program, never a run that was told what to
    // do; it does not hold up start-up.
    if (m_steps.showAbout && m_commandLine.m_sites.empty() && !m_commandLine.m_terminate &&
        !m_commandLine.m_hide && !m_commandLine.m_minimize)
        m_steps.showAbout(m_frame.get());
    if (m_frameClosed)
        return false;

    // The histories: the busy cursor covers the loading only: the upgrade check shows its own
    // while it asks, and the offer and the Add Site prompt wait for the user.
    {
        CWaitCursor waitCursor;
        m_engine.LoadHistories();
    }

    // Unattended ("hide", "term"), nobody could answer the offer.
    if (!m_commandLine.m_noCheck && !m_commandLine.m_hide && !m_commandLine.m_terminate &&
        m_steps.runUpgradeCheck && m_steps.runUpgradeCheck(m_frame.get(), m_engine))
        return !m_frameClosed;

    if (m_engine.Options()->m_askSiteAtStartup && m_commandLine.m_sites.empty() &&
        !m_commandLine.m_minimize && m_steps.promptForSite)
        m_steps.promptForSite(*m_frame);

    BrowseCommandLineSites();
    if (m_commandLine.m_sites.empty() && m_commandLine.m_terminate)
        return false;
    return !m_frameClosed;
}

void CTrawlerApp::ShowMainFrameInFinalState()
{
    if (m_commandLine.m_minimize)
        m_frame->showMinimized();
    else if (m_commandLine.m_hide)
        m_frame->hide();
    else if (m_engine.Options()->m_windowMaximized)
        m_frame->showMaximized();
    else
        m_frame->showNormal();
    if (m_frame->isVisible())
        m_frame->repaint();
}

void CTrawlerApp::UseUserDownloadFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (folder.isEmpty())
        return;
    COptions options = *m_engine.Options();
    options.m_downloadDir = QDir(folder).filePath(QStringLiteral("Harvestor/")).toStdString();
    m_engine.SetOptions(options);
    m_engine.SaveOptions(true);
}

void CTrawlerApp::RecordWorkDirectory()
{
    QSettings settings;
    const QString key = QStringLiteral("General/workdir");
    if (settings.value(key).toString().isEmpty())
        settings.setValue(key, QString::fromStdString(m_engine.Options()->m_workDir));
}

void CTrawlerApp::BrowseCommandLineSites()
{
    m_engine.BrowseCommandLineSites(m_commandLine);
}

void CTrawlerApp::OnFrameDestroyed()
{
    m_frameClosed = true;
    m_foundFilesAtClose = m_frame->FileView()->Urls();
    QCoreApplication::quit();
}

void CTrawlerApp::CloseMainFrame()
{
    if (m_frame != nullptr && !m_frameClosed)
        m_frame->CloseWithoutAsking();
}

int CTrawlerApp::ExitInstance()
{
    m_frame.reset();
    m_engine.EndSession();
    return m_exitCode;
}

int CTrawlerApp::Run(int argc, const char* const* argv)
{
    if (InitInstance(argc, argv) && !m_frameClosed)
        QApplication::exec();
    CloseMainFrame();
    return ExitInstance();
}
