#include "AppTestSupport.h"
#include "app/CommandIds.h"
#include "app/MakerSite.h"
#include "support/TestHttpServer.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QTest>
#include <atomic>

// Help and tutorial open the pages shipped with the program; without a copy on this computer
// (here HARVESTOR_DOCS names an empty folder) they ask the maker's site (a local one,
// HARVESTOR_SITE) for the page with a HEAD request and open it only when it answers.
class CDocumentationTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void reachablePageOpensInTheBrowser();
    void missingPageSaysNeitherCopyIsThere();
    void shippedPagesOpenFromDiskWithoutAsking();
    void failedOpenSaysSo();

private:
    std::unique_ptr<CTestHttpServer> m_server;
    std::atomic<int> m_heads{0};
    CTempDir m_noDocs;
};

void CDocumentationTest::init()
{
    m_server = std::make_unique<CTestHttpServer>();
    m_heads = 0;
    m_server->Server().set_pre_routing_handler(
        [this](const httplib::Request& request, httplib::Response& response)
        {
            if (request.method == "HEAD")
                ++m_heads;
            if (request.path == "/harvestor/docs152/interface.htm")
            {
                response.set_content("<html>help</html>", "text/html");
                return httplib::Server::HandlerResponse::Handled;
            }
            response.status = 404;
            return httplib::Server::HandlerResponse::Handled;
        });
    m_server->Start();
    qputenv("HARVESTOR_SITE", QByteArray::fromStdString(m_server->Url("/")));
    qputenv("HARVESTOR_DOCS", QByteArray::fromStdString(m_noDocs.Path().string()));
}

void CDocumentationTest::cleanup()
{
    qunsetenv("HARVESTOR_SITE");
    qunsetenv("HARVESTOR_DOCS");
    m_server.reset();
}

struct CDocsFixture : CFrameFixture
{
    CGuiPrompts windowed{false};
    std::vector<std::string> opened;
    QStringList messages;

    CDocsFixture()
    {
        QVERIFY(engine.Open("Hvstr152"));
        engine.SetPrompts(&windowed);
        windowed.SetShellOpener(
            [this](const std::string& url)
            {
                opened.push_back(url);
                return true;
            });
        windowed.SetDialogRunner(
            [this](QDialog& dialog)
            {
                if (auto* box = qobject_cast<QMessageBox*>(&dialog))
                {
                    messages << box->windowTitle() + ": " + box->text();
                    return int(QMessageBox::Ok);
                }
                return int(QDialog::Rejected);
            });
    }
    ~CDocsFixture() { engine.SetPrompts(&prompts); }
};

void CDocumentationTest::reachablePageOpensInTheBrowser()
{
    CDocsFixture f;
    f.frame->ExecuteCommand(ID_HELP_CONTENTS);
    QCOMPARE(f.opened, std::vector<std::string>{m_server->Url("/harvestor/docs152/interface.htm")});
    QCOMPARE(f.messages, QStringList{});
    QCOMPARE(m_heads.load(), 1);
}

void CDocumentationTest::missingPageSaysNeitherCopyIsThere()
{
    CDocsFixture f;
    f.frame->ExecuteCommand(ID_HELP_TUTORIAL);
    QVERIFY(f.opened.empty());
    QCOMPARE(f.messages, QStringList{"Harvestor: The documentation pages are not on this "
                                     "computer, and the maker's site did not answer."});
}

void CDocumentationTest::shippedPagesOpenFromDiskWithoutAsking()
{
    // A run from the build tree finds the source tree's copy.
    qunsetenv("HARVESTOR_DOCS");
    CDocsFixture f;
    f.frame->ExecuteCommand(ID_HELP_TUTORIAL);
    QCOMPARE(f.opened.size(), std::size_t{1});
    QVERIFY2(
        QString::fromStdString(f.opened[0]).endsWith("/docs/site/harvestor/docs152/tutorial.htm"),
        f.opened[0].c_str());
    QVERIFY(QFileInfo(QString::fromStdString(f.opened[0])).isFile());
    QCOMPARE(m_heads.load(), 0);
    QCOMPARE(f.messages, QStringList{});
}

void CDocumentationTest::failedOpenSaysSo()
{
    CDocsFixture f;
    f.windowed.SetShellOpener([](const std::string&) { return false; });
    const std::string url = m_server->Url("/harvestor/docs152/interface.htm");
    f.frame->ExecuteCommand(ID_HELP_CONTENTS);
    QCOMPARE(f.messages, QStringList{QString::fromStdString(
                             "Harvestor: Could not open " + url +
                             ": no program on this computer is set up to open it.")});
}

QTEST_MAIN(CDocumentationTest)
#include "documentation_test.moc"
