#pragma once

#include "app/GuiPrompts.h"
#include "app/MainFrame.h"
#include "app/TrawlerDoc.h"
#include "session/Engine.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QString>
#include <QtGlobal>
#include <memory>

// A fresh working directory that is also the current directory and holds the per-user
// settings, for one test.
class CScratchDir
{
public:
    CScratchDir() : m_previous(QDir::currentPath())
    {
        QDir::setCurrent(QString::fromStdString(m_dir.Path().string()));
        const std::string config = m_dir.File("config");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config));
        // Qt looks up the settings folder once a process: without this, every later test's
        // window settings went to the first test's folder, long removed, and made it again.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(config));
        // The user's download folder, which a window that creates options.dat names, lies here
        // too: no test downloads into the real home.
        QDir().mkpath(QString::fromStdString(config));
        QFile dirs(QString::fromStdString(config + "/user-dirs.dirs"));
        if (dirs.open(QIODevice::WriteOnly))
            dirs.write("XDG_DOWNLOAD_DIR=\"" + QByteArray::fromStdString(DownloadFolder()) +
                       "\"\n");
    }
    ~CScratchDir() { QDir::setCurrent(m_previous); }
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;

    std::string Path() const { return m_dir.Path().string(); }
    std::string File(const std::string& name) const { return m_dir.File(name); }
    // What the desktop names the user's download folder during the test.
    std::string DownloadFolder() const { return m_dir.File("Downloads"); }

private:
    QString m_previous;
    CTempDir m_dir;
};

// Changes the engine's options as the window does: a copy, edited, set.
template <class Edit> void EditOptions(CEngine& engine, Edit edit)
{
    COptions options = *engine.Options();
    edit(options);
    engine.SetOptions(options);
}

// The engine, a document, prompts that answer without windows, and a main window.
struct CFrameFixture
{
    CScratchDir dir;
    CEngine engine{dir.Path(), dir.File("hvstr.log")};
    CTrawlerDoc doc;
    CGuiPrompts prompts;
    std::unique_ptr<CMainFrame> frame;

    // windowedPrompts: the prompts run their dialogs (tests set a dialog runner).
    explicit CFrameFixture(bool headless = true, bool windowedPrompts = false)
        : prompts(!windowedPrompts)
    {
        engine.SetPrompts(&prompts);
        frame = std::make_unique<CMainFrame>(engine, doc, headless);
    }
    ~CFrameFixture()
    {
        frame.reset();
        engine.SetPrompts(nullptr);
    }
};
