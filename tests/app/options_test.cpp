#include "AppTestSupport.h"
#include "ModalDriver.h"
#include "app/CommandIds.h"
#include "app/ConnectionPage.h"
#include "app/FileTypePage.h"
#include "app/ListPage.h"
#include "app/MiscPage.h"
#include "app/OptionSheet.h"
#include "settings/Histories.h"
#include "settings/Options.h"
#include "settings/TSList.h"
#include "support/TestHttpServer.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

// The options sheet: when each kind of page stores its values, what OK and Cancel keep, the
// list pages, the number checks and the limits of the option texts.
class COptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cancelLeavesEveryOptionAsItWas();
    void numberFieldsRefuseWhatIsNotANumber_data();
    void numberFieldsRefuseWhatIsNotANumber();
    void connectionValuesChangeOnOkOnly_data();
    void connectionValuesChangeOnOkOnly();
    void connectionPageShowsTheValuesWhenTheSheetOpensOnIt();
    void siteLimitsShowAndStoreOnOk();
    void addedExtensionTakesItsSortedPlace();
    void listPagesStoreOnOkOnly();
    void askTypeBoxStoresOnOkOnly();
    void removingEveryKeywordStoresNone();
    void listTextsStayWithinTheirLimit();
    void sheetReopensOnTheLastPage();
    void chosenFolderEndsWithASlash();
    void clearButtonsEmptyTheHistoriesAtOnce();
    void helpKeyOpensTheOptionsPage();
};

namespace
{

struct CSheetFixture : CRecordingFixture
{
    bool fired = false;

    // Runs the Options command's sheet; interact ends it with OK or Cancel.
    bool Run(std::function<void(COptionSheet&)> interact)
    {
        CWhenModal<COptionSheet> driver(std::move(interact));
        const bool accepted = COptionSheet::Run(nullptr, engine);
        fired = driver.Fired();
        return accepted;
    }
};

template <class T> T* Child(QWidget* page, const char* name)
{
    T* child = page->findChild<T*>(QString::fromLatin1(name));
    if (child == nullptr)
        qFatal("no child %s", name);
    return child;
}

void Click(QWidget* page, const char* name)
{
    QTest::mouseClick(Child<QPushButton>(page, name), Qt::LeftButton);
}

// Switches tabs the way a click on a tab does.
void ShowTab(COptionSheet& sheet, int page)
{
    sheet.Tabs()->setCurrentIndex(page);
}

CListControl* ListOf(COptionSheet& sheet, int page)
{
    return static_cast<CListPage*>(sheet.Page(page))->List();
}

// Types text over the label that is being edited and ends the edit with key.
void FinishEdit(CListControl* list, const QString& text, Qt::Key key)
{
    auto* editor = qobject_cast<QLineEdit*>(list->indexWidget(list->currentIndex()));
    QVERIFY(editor != nullptr);
    editor->setText(text);
    QTest::keyClick(editor, key);
}

} // namespace

void COptionsTest::init()
{
    COptionSheet::SetLastOptionsPage(COptionSheet::kFileTypes);
}

void COptionsTest::cancelLeavesEveryOptionAsItWas()
{
    CSheetFixture f;
    const std::string before = f.engine.Options()->SaveToBytes();
    std::string duringSheet;
    const bool accepted = f.Run(
        [&](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kFileSize);
            Child<QLineEdit>(sheet.Page(COptionSheet::kFileSize), "maxSize")->setText("250");
            Child<QAbstractButton>(sheet.Page(COptionSheet::kFileSize), "checkLength2")->click();
            ShowTab(sheet, COptionSheet::kMisc);
            Child<QLineEdit>(sheet.Page(COptionSheet::kMisc), "historyDepth")->setText("9");
            Child<QAbstractButton>(sheet.Page(COptionSheet::kMisc), "autoDownload")->click();
            ShowTab(sheet, COptionSheet::kDuplicates);
            Child<QAbstractButton>(sheet.Page(COptionSheet::kDuplicates), "duplicate2")->click();
            ShowTab(sheet, COptionSheet::kHistory);
            Child<QAbstractButton>(sheet.Page(COptionSheet::kHistory), "rememberPages")->click();
            ShowTab(sheet, COptionSheet::kFileTypes);
            ListOf(sheet, COptionSheet::kFileTypes)->clear();
            // Pages left so far store into the sheet's copy, never into the options.
            duringSheet = f.engine.Options()->SaveToBytes();
            sheet.reject();
        });
    QVERIFY(f.fired);
    QVERIFY(!accepted);
    QCOMPARE(duringSheet, before);
    QCOMPARE(f.engine.Options()->SaveToBytes(), before);
    QCOMPARE(f.engine.Options()->m_maxSizeK, 100);
    QVERIFY(!std::filesystem::exists(f.dir.File("options.dat")));

    // With OK the same edits take effect.
    QVERIFY(f.Run(
        [](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kFileSize);
            Child<QLineEdit>(sheet.Page(COptionSheet::kFileSize), "maxSize")->setText("2147483647");
            ShowTab(sheet, COptionSheet::kMisc);
            Child<QLineEdit>(sheet.Page(COptionSheet::kMisc), "historyDepth")->setText("9");
            Child<QAbstractButton>(sheet.Page(COptionSheet::kMisc), "obeyRobots")->click();
            Child<QAbstractButton>(sheet.Page(COptionSheet::kMisc), "readSitemap")->click();
            sheet.accept();
        }));
    QCOMPARE(f.engine.Options()->m_maxSizeK, 2147483647); // 2 TiB, the largest
    QCOMPARE(f.engine.Options()->m_entryHistoryDepth, 9u);
    QVERIFY(f.engine.Options()->m_obeyRobots);
    QVERIFY(f.engine.Options()->m_readSitemap);
    QCOMPARE(f.engine.Options()->m_maxSizeK, 2147483647);

    // A minimum above the maximum is taken as it is.
    QVERIFY(f.Run(
        [](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kFileSize);
            Child<QLineEdit>(sheet.Page(COptionSheet::kFileSize), "minSize")->setText("500");
            Child<QLineEdit>(sheet.Page(COptionSheet::kFileSize), "maxSize")->setText(" 100 ");
            sheet.accept();
        }));
    QCOMPARE(f.engine.Options()->m_minSizeK, 500);
    QCOMPARE(f.engine.Options()->m_maxSizeK, 100);
    QCOMPARE(f.messages, QStringList{});
}

void COptionsTest::numberFieldsRefuseWhatIsNotANumber_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    // Every field names its range, also for text that is no number at all.
    const QString range = "Harvestor: %1 must be a number from %2 to %3.";
    const QString size = QStringLiteral("2147483647");
    const QString minSize = range.arg("Min Size (K)", "0", size);
    const QString maxSize = range.arg("Max Size (K)", "0", size);
    const QString depth = range.arg("Entry History Depth", "1", "100");
    QTest::newRow("letters") << int(COptionSheet::kFileSize) << "minSize"
                             << "ten" << minSize;
    QTest::newRow("empty") << int(COptionSheet::kFileSize) << "maxSize"
                           << "" << maxSize;
    QTest::newRow("trailing text") << int(COptionSheet::kFileSize) << "maxSize"
                                   << "12k" << maxSize;
    QTest::newRow("beyond 32 bits") << int(COptionSheet::kFileSize) << "maxSize"
                                    << "2147483648" << maxSize;
    QTest::newRow("negative depth") << int(COptionSheet::kMisc) << "historyDepth"
                                    << "-3" << depth;
    QTest::newRow("sign only") << int(COptionSheet::kMisc) << "historyDepth"
                               << "+" << depth;
    QTest::newRow("negative minimum") << int(COptionSheet::kFileSize) << "minSize"
                                      << "-5" << minSize;
    QTest::newRow("negative maximum") << int(COptionSheet::kFileSize) << "maxSize"
                                      << "-1" << maxSize;
    QTest::newRow("no history") << int(COptionSheet::kMisc) << "historyDepth"
                                << "0" << depth;
}

void COptionsTest::numberFieldsRefuseWhatIsNotANumber()
{
    QFETCH(int, page);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    CSheetFixture f;
    QStringList afterRefusal;
    int activeAfterRefusal = -1;
    const bool accepted = f.Run(
        [&](COptionSheet& sheet)
        {
            ShowTab(sheet, page);
            auto* edit = Child<QLineEdit>(sheet.Page(page), field.toLatin1().constData());
            // Typed, a letter never gets in.
            edit->clear();
            QTest::keyClicks(edit, QStringLiteral("1x2"));
            QCOMPARE(edit->text(), QStringLiteral("12"));
            edit->setText(text);
            ShowTab(sheet, COptionSheet::kHistory);
            activeAfterRefusal = sheet.Tabs()->currentIndex();
            sheet.accept(); // refused again: the sheet stays open
            afterRefusal = f.messages;
            sheet.reject();
        });
    QVERIFY(!accepted);
    QCOMPARE(activeAfterRefusal, page);
    QCOMPARE(afterRefusal, (QStringList{message, message}));
    QCOMPARE(f.engine.Options()->m_minSizeK, 10);
    QCOMPARE(f.engine.Options()->m_maxSizeK, 100);
    QCOMPARE(f.engine.Options()->m_entryHistoryDepth, 5u);
}

void COptionsTest::connectionValuesChangeOnOkOnly_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("cancel") << false;
    QTest::newRow("ok") << true;
}

void COptionsTest::connectionValuesChangeOnOkOnly()
{
    QFETCH(bool, ok);
    CSheetFixture f;
    EditOptions(f.engine, [&](COptions& o) { o.m_connectRetries = 3; });
    QString shown;
    const bool accepted = f.Run(
        [&](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kConnection);
            CConnectionPage* page = sheet.Connection();
            QCOMPARE(page->RetriesSlider()->value(), 3);
            page->ThreadsSlider()->setValue(7);
            shown = Child<QLineEdit>(page, "threadsValue")->text();
            ok ? sheet.accept() : sheet.reject();
        });
    QCOMPARE(accepted, ok);
    QCOMPARE(shown, QString("7 downloads"));
    QCOMPARE(f.engine.Options()->m_downloadThreads, ok ? 7 : 2);
    QCOMPARE(f.engine.Options()->m_connectRetries, 3);
    QCOMPARE(f.engine.Options()->m_connectTimeout, 30);
}

void COptionsTest::connectionPageShowsTheValuesWhenTheSheetOpensOnIt()
{
    CSheetFixture f;
    EditOptions(f.engine,
                [&](COptions& o)
                {
                    o.m_connectRetries = 4;
                    o.m_connectTimeout = 45;
                    o.m_downloadThreads = 6;
                });
    COptionSheet::SetLastOptionsPage(COptionSheet::kConnection);
    QStringList shown;
    QVERIFY(f.Run(
        [&](COptionSheet& sheet)
        {
            CConnectionPage* page = sheet.Connection();
            for (const char* edit : {"retriesValue", "timeoutValue", "threadsValue"})
                shown << Child<QLineEdit>(page, edit)->text();
            page->RetriesSlider()->setValue(5);
            sheet.accept();
        }));
    QCOMPARE(shown, QStringList({"4 retries", "45 seconds", "6 downloads"}));
    // Opened on the small page, the sheet has the size it has on the largest one.
    QSize onConnection;
    QSize onFileTypes;
    QVERIFY(f.Run(
        [&](COptionSheet& sheet)
        {
            onConnection = sheet.sizeHint();
            ShowTab(sheet, 0);
            onFileTypes = sheet.sizeHint();
            sheet.accept();
        }));
    QCOMPARE(onConnection, onFileTypes);
    const std::shared_ptr<const COptions> published = f.engine.Options();
    const COptions& o = *published;
    QCOMPARE((std::vector{o.m_connectRetries, o.m_connectTimeout, o.m_downloadThreads}),
             (std::vector{5, 45, 6}));
}

void COptionsTest::siteLimitsShowAndStoreOnOk()
{
    CSheetFixture f;
    EditOptions(f.engine, [&](COptions& o) { o.m_siteRequestRate = 4; });
    QStringList shown;
    QVERIFY(f.Run(
        [&](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kConnection);
            CConnectionPage* page = sheet.Connection();
            for (const char* name : {"rateValue", "connectionsValue", "bandwidthValue"})
                shown << Child<QSpinBox>(page, name)->text();
            Child<QSpinBox>(page, "connectionsValue")->setValue(2);
            Child<QSpinBox>(page, "bandwidthValue")->setValue(200);
            Child<QSpinBox>(page, "rateValue")->setValue(0);
            sheet.accept();
        }));
    QCOMPARE(shown, QStringList({"4 requests/s", "No limit", "No limit"}));
    const std::shared_ptr<const COptions> published = f.engine.Options();
    const COptions& o = *published;
    QCOMPARE((std::vector{o.m_siteRequestRate, o.m_siteConnections, o.m_bandwidthLimitK}),
             (std::vector{0, 2, 200}));
}

void COptionsTest::addedExtensionTakesItsSortedPlace()
{
    CSheetFixture f;
    QString editedPlaceholder;
    QVERIFY(f.Run(
        [&](COptionSheet& sheet)
        {
            auto* page = static_cast<CListPage*>(sheet.Page(COptionSheet::kFileTypes));
            page->AddItem();
            editedPlaceholder = page->List()->currentItem()->text(0);
            FinishEdit(page->List(), "gif", Qt::Key_Return);
            // A second added item whose edit is cancelled keeps its placeholder.
            page->AddItem();
            FinishEdit(page->List(), "ignored", Qt::Key_Escape);
            sheet.accept();
        }));
    QCOMPARE(editedPlaceholder, QString("New Ext"));
    QCOMPARE(f.engine.Options()->m_fileTypes,
             std::string("AVI;EXE;gif;JPG;M3U;MOV;MP3;MPEG;MPG;New Ext;QT;ZIP"));
}

void COptionsTest::listPagesStoreOnOkOnly()
{
    CSheetFixture f;
    EditOptions(f.engine, [&](COptions& o) { o.m_excludes = "ads;;banner"; });
    QStringList shown;
    QVERIFY(!f.Run(
        [&](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kExclude);
            shown = ListOf(sheet, COptionSheet::kExclude)->Texts();
            ListOf(sheet, COptionSheet::kExclude)->clear();
            ShowTab(sheet, COptionSheet::kFileSize); // leaving a list page stores nothing
            sheet.reject();
        }));
    QCOMPARE(shown, (QStringList{"ads", "banner"}));
    QCOMPARE(f.engine.Options()->m_excludes, std::string("ads;;banner"));

    // A new keyword starts empty, and a keyword left empty is dropped: it would match every
    // page.
    QString placeholder = "unset";
    QVERIFY(f.Run(
        [&](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kKeywords);
            auto* page = static_cast<CListPage*>(sheet.Page(COptionSheet::kKeywords));
            page->AddItem();
            placeholder = page->List()->currentItem()->text(0);
            FinishEdit(page->List(), "driver", Qt::Key_Return);
            page->AddItem();
            FinishEdit(page->List(), "", Qt::Key_Return);
            page->AddItem();
            sheet.accept();
        }));
    QCOMPARE(placeholder, QString());
    QCOMPARE(f.engine.Options()->m_keywords, (std::vector<std::string>{"driver"}));
    // Exclude was not shown in this run, so its text stays as it was.
    QCOMPARE(f.engine.Options()->m_excludes, std::string("ads;;banner"));

    // The same for excludes.
    QVERIFY(f.Run(
        [&](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kExclude);
            static_cast<CListPage*>(sheet.Page(COptionSheet::kExclude))->AddItem();
            placeholder += ListOf(sheet, COptionSheet::kExclude)->currentItem()->text(0);
            sheet.accept();
        }));
    QCOMPARE(placeholder, QString());
    QCOMPARE(f.engine.Options()->m_excludes, std::string("ads;banner"));
}

void COptionsTest::askTypeBoxStoresOnOkOnly()
{
    CSheetFixture f;
    const auto box = [](COptionSheet& sheet)
    { return static_cast<FileTypePage*>(sheet.Page(COptionSheet::kFileTypes))->AskTypeBox(); };
    QString label;
    bool shownChecked = true;
    QVERIFY(!f.Run(
        [&](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kFileTypes);
            label = box(sheet)->text();
            shownChecked = box(sheet)->isChecked();
            box(sheet)->setChecked(true);
            sheet.reject();
        }));
    QCOMPARE(label, QString("Ask the server the type of links without a file extension"));
    QVERIFY(!shownChecked);
    QVERIFY(!f.engine.Options()->m_askTypeOfPageLinks);

    QVERIFY(f.Run(
        [&](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kFileTypes);
            box(sheet)->setChecked(true);
            sheet.accept();
        }));
    QVERIFY(f.engine.Options()->m_askTypeOfPageLinks);
}

void COptionsTest::removingEveryKeywordStoresNone()
{
    CFrameFixture frame;
    EditOptions(frame.engine, [&](COptions& o) { o.m_keywords = {"setup", "driver"}; });
    QString modeItem;
    CWhenModal<COptionSheet> driver(
        [&](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kKeywords);
            CListControl* list = ListOf(sheet, COptionSheet::kKeywords);
            QCOMPARE(list->Texts(), (QStringList{"driver", "setup"}));
            auto* page = sheet.Page(COptionSheet::kKeywords);
            Click(page, "remove"); // nothing selected: nothing happens
            QCOMPARE(list->topLevelItemCount(), 2);
            while (list->topLevelItemCount() > 0)
            {
                list->setCurrentItem(list->topLevelItem(0));
                Click(page, "remove");
            }
            sheet.accept();
        });
    frame.frame->ExecuteCommand(ID_VIEW_OPTIONS);
    QVERIFY(driver.Fired());
    COptions saved(frame.dir.Path());
    QVERIFY(saved.Load());
    QVERIFY(saved.m_keywords.empty());
    QVERIFY(frame.engine.Options()->m_keywords.empty());
}

void COptionsTest::listTextsStayWithinTheirLimit()
{
    CSheetFixture f;
    int pageWhenRefused = -1;
    QVERIFY(f.Run(
        [&](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kExclude);
            CListControl* list = ListOf(sheet, COptionSheet::kExclude);
            // 100 texts of 10 characters: 1099 with the separators.
            for (int i = 0; i < 100; ++i)
                list->addTopLevelItem(new QTreeWidgetItem(
                    QStringList{QString("exclude%1").arg(i, 3, 10, QChar('0'))}));
            ShowTab(sheet, COptionSheet::kFileTypes);
            sheet.accept();
            pageWhenRefused = sheet.ActivePage();
            // 92 texts: 1011 characters fit.
            for (int i = 0; i < 8; ++i)
                delete list->topLevelItem(0);
            sheet.accept();
        }));
    QCOMPARE(pageWhenRefused, int(COptionSheet::kExclude));
    QCOMPARE(f.messages.size(), 1);
    QVERIFY(f.messages[0].contains("1099"));
    QVERIFY(f.messages[0].contains("1023"));
    QCOMPARE(f.engine.Options()->m_excludes.size(), std::size_t{1011});
    QCOMPARE(f.engine.Options()->m_fileTypes,
             std::string("AVI;EXE;JPG;M3U;MOV;MP3;MPEG;MPG;QT;ZIP"));
}

void COptionsTest::sheetReopensOnTheLastPage()
{
    CSheetFixture f;
    f.Run(
        [](COptionSheet& sheet)
        {
            QCOMPARE(sheet.ActivePage(), int(COptionSheet::kFileTypes));
            ShowTab(sheet, COptionSheet::kHistory);
            sheet.reject();
        });
    bool fileTypesBuilt = true;
    f.Run(
        [&](COptionSheet& sheet)
        {
            QCOMPARE(sheet.Tabs()->currentIndex(), int(COptionSheet::kHistory));
            QVERIFY(sheet.Page(COptionSheet::kHistory)->IsCreated());
            fileTypesBuilt = sheet.Page(COptionSheet::kFileTypes)->IsCreated();
            ShowTab(sheet, COptionSheet::kModes);
            sheet.accept();
        });
    QVERIFY(!fileTypesBuilt);
    QCOMPARE(COptionSheet::LastOptionsPage(), int(COptionSheet::kModes));
}

void COptionsTest::chosenFolderEndsWithASlash()
{
    CSheetFixture f;
    const std::string before = f.engine.Options()->m_downloadDir;
    const QString longPath = "/" + QString(300, 'd');
    QStringList shown;
    QStringList startedAt;
    QString title;
    QVERIFY(f.Run(
        [&](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kMisc);
            CMiscPage* page = sheet.Misc();
            auto* edit = Child<QLineEdit>(page, "downloadDir");
            QVERIFY(edit->isReadOnly());
            for (const QString& folder : {QString("/srv/files"), QString("/"), QString(), longPath})
            {
                page->SetFolderChooser(
                    [&, folder](QWidget*, const QString& caption, const QString& start)
                    {
                        title = caption;
                        startedAt << start;
                        return folder;
                    });
                Click(page, "specify");
                shown << edit->text();
            }
            // The directory reaches the options with OK, not before.
            ShowTab(sheet, COptionSheet::kHistory);
            QCOMPARE(f.engine.Options()->m_downloadDir, before);
            sheet.accept();
        }));
    QCOMPARE(title, QString("Select destination for downloaded files"));
    // A cancelled browser keeps what was there; a long path is as good as any.
    QCOMPARE(shown, (QStringList{"/srv/files/", "/", "/", longPath + "/"}));
    QCOMPARE(f.engine.Options()->m_downloadDir, (longPath + "/").toStdString());
    QCOMPARE(f.messages, QStringList{});
    // The browser starts at the download folder shown, or the nearest folder of it that
    // exists: the default one ("dl/" in the working directory) does not exist yet.
    QCOMPARE(startedAt.value(0), QString::fromStdString(f.dir.Path()));
    QCOMPARE(startedAt.value(2), QString("/"));
    QCOMPARE(startedAt.value(3), QString("/"));
}

void COptionsTest::clearButtonsEmptyTheHistoriesAtOnce()
{
    CSheetFixture f;
    // One entry in each history, read at start-up.
    for (const auto& [name, entry] : {std::pair{kUrlHistoryFileName, "http://a.test/"},
                                      std::pair{kFileHistoryFileName, "http://a.test/f.zip"}})
    {
        CTSList history;
        history.Add(entry, {});
        QVERIFY(history.Save(name, f.dir.Path()));
    }
    EditOptions(f.engine, [](COptions& o) { o.m_rememberDownloads = true; });
    f.engine.LoadHistories();
    QCOMPARE(f.engine.PageHistoryCount(), std::size_t{1});
    QCOMPARE(f.engine.FileHistoryCount(), std::size_t{1});
    std::size_t pagesAfterFirst = 99;
    std::size_t filesAfterFirst = 99;
    QVERIFY(!f.Run(
        [&](COptionSheet& sheet)
        {
            ShowTab(sheet, COptionSheet::kHistory);
            Click(sheet.Page(COptionSheet::kHistory), "clearPages");
            pagesAfterFirst = f.engine.PageHistoryCount();
            filesAfterFirst = f.engine.FileHistoryCount();
            Click(sheet.Page(COptionSheet::kHistory), "clearDownloads");
            sheet.reject();
        }));
    QCOMPARE(pagesAfterFirst, std::size_t{0});
    QCOMPARE(filesAfterFirst, std::size_t{1});
    QCOMPARE(f.engine.FileHistoryCount(), std::size_t{0});
}

void COptionsTest::helpKeyOpensTheOptionsPage()
{
    CSheetFixture f;
    QVERIFY(f.engine.Open("Hvstr152"));
    f.Run(
        [](COptionSheet& sheet)
        {
            // Pressed on a control of the page, as a user would.
            QTest::keyClick(ListOf(sheet, COptionSheet::kFileTypes), Qt::Key_F1);
            sheet.reject();
        });
    // The copy shipped with the program, from disk.
    QCOMPARE(f.opened.size(), std::size_t{1});
    QVERIFY2(f.opened[0].ends_with("/docs/site/harvestor/docs152/options.htm"),
             f.opened[0].c_str());
    QCOMPARE(f.messages, QStringList{});
}

QTEST_MAIN(COptionsTest)
#include "options_test.moc"
