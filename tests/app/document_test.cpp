#include "AppTestSupport.h"
#include "app/CommandIds.h"
#include "app/FileList.h"
#include "app/UrlList.h"
#include "support/FileBytes.h"
#include "support/HeldEngineWork.h"
#include "url/Url.h"

#include <QAction>
#include <QTest>
#include <filesystem>
#include <fstream>

// The document commands are harmless: nothing of the found sites and files changes.
class CDocumentTest : public QObject
{
    Q_OBJECT

private slots:
    void saveWritesAnEmptyFile();
    void openOnlyRemembersTheName();
    void newKeepsTreeAndList();
};

void CDocumentTest::saveWritesAnEmptyFile()
{
    CFrameFixture f;
    QCOMPARE(f.frame->Action(ID_FILE_SAVE)->shortcut(), QKeySequence("Ctrl+S"));
    f.frame->FileView()->InsertItem("http://site.test/a.zip", "");
    const QString target = QString::fromStdString(f.dir.File("saved.hvs"));
    QString suggested;
    f.doc.SetFileChooser(
        [&](QWidget*, bool forSave, const QString& offered)
        {
            suggested = offered;
            return forSave ? target : QString();
        });
    f.frame->Action(ID_FILE_SAVE)->trigger();
    QCOMPARE(suggested, QString("Untitled"));
    QVERIFY(std::filesystem::exists(target.toStdString()));
    QCOMPARE(std::filesystem::file_size(target.toStdString()), std::uintmax_t{0});
    QCOMPARE(f.frame->FileView()->Urls().size(), std::size_t{1});

    // Cancelling the dialog writes nothing.
    f.doc.SetFileChooser([](QWidget*, bool, const QString&) { return QString(); });
    std::filesystem::remove(target.toStdString());
    f.frame->ExecuteCommand(ID_FILE_SAVE);
    QVERIFY(!std::filesystem::exists(target.toStdString()));
}

void CDocumentTest::openOnlyRemembersTheName()
{
    CFrameFixture f;
    const std::string path = f.dir.File("notes.txt");
    std::ofstream(path) << "user's own text";
    QString offeredAtSave;
    f.doc.SetFileChooser(
        [&](QWidget*, bool forSave, const QString& offered)
        {
            if (!forSave)
                return QString::fromStdString(path);
            offeredAtSave = offered;
            return QString(); // the user cancels the save
        });
    f.frame->ExecuteCommand(ID_FILE_OPEN);
    QCOMPARE(f.doc.PathName(), QString::fromStdString(path));

    // Save asks again, so the opened file is never replaced by an empty one unasked.
    f.frame->ExecuteCommand(ID_FILE_SAVE);
    QCOMPARE(offeredAtSave, QString::fromStdString(path));
    QCOMPARE(ReadFileBytes(path), std::string("user's own text"));
}

void CDocumentTest::newKeepsTreeAndList()
{
    CFrameFixture f;
    CUrl site("http://site.test/");
    f.frame->SiteView()->InsertNode("", site.m_url, site.IsVisited());
    f.frame->FileView()->InsertItem("http://site.test/a.zip", "3");
    CHeldEngineWork browse(f.engine, EEngineWork::Browse);
    f.frame->ExecuteCommand(ID_FILE_NEW);
    QCOMPARE(f.frame->SiteView()->topLevelItemCount(), 1);
    QCOMPARE(f.frame->FileView()->Urls().size(), std::size_t{1});
    QVERIFY(!f.engine.BrowseCancelled());
    browse.Release();
    // Ctrl+T is bound and does nothing.
    QCOMPARE(f.frame->Action(ID_CTRL_T)->shortcut(), QKeySequence("Ctrl+T"));
    f.frame->ExecuteCommand(ID_CTRL_T);
}

QTEST_MAIN(CDocumentTest)
#include "document_test.moc"
