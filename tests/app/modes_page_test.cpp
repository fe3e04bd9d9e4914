#include "AppTestSupport.h"
#include "ModalDriver.h"
#include "app/CommandIds.h"
#include "app/ModeDlg.h"
#include "app/ModePage.h"
#include "app/OptionSheet.h"
#include "settings/ModeData.h"
#include "settings/Options.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

// The Modes page: the default mark, and the two buttons that write their file at once.
class CModesPageTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void renamedModeKeepsOrLosesTheMark_data();
    void renamedModeKeepsOrLosesTheMark();
    void setAsDefaultWritesTheOptionsAtOnce();
    void okRenamesTheSiteMenu();
};

namespace
{

struct CModesFixture : CRecordingFixture
{
    // Runs the Options command of the main window; interact ends the sheet.
    void RunOptions(std::function<void(COptionSheet&, CModePage&)> interact)
    {
        CWhenModal<COptionSheet> driver(
            [&](COptionSheet& sheet)
            {
                sheet.Tabs()->setCurrentIndex(COptionSheet::kModes);
                interact(sheet, *sheet.Modes());
            });
        frame->ExecuteCommand(ID_VIEW_OPTIONS);
        QVERIFY(driver.Fired());
    }
};

QStringList Texts(QListWidget* list)
{
    QStringList texts;
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

void Click(QWidget* page, const char* name)
{
    QTest::mouseClick(page->findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
}

// Selects row and presses "&Edit...", answering the mode dialog with fill and OK.
void EditMode(CModePage& page, int row, std::function<void(CModeDlg&)> fill)
{
    page.List()->setCurrentRow(row);
    CWhenModal<CModeDlg> dialog(
        [&](CModeDlg& modeDlg)
        {
            fill(modeDlg);
            modeDlg.accept();
        });
    Click(&page, "edit");
    QVERIFY(dialog.Fired());
}

void SetName(CModeDlg& dialog, const QString& name)
{
    dialog.findChild<QLineEdit*>("name")->setText(name);
}

} // namespace

void CModesPageTest::init()
{
    COptionSheet::SetLastOptionsPage(COptionSheet::kFileTypes);
}

void CModesPageTest::renamedModeKeepsOrLosesTheMark_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("default renamed") << 0 << "Quick look"
                                     << "Quick look *DEFAULT*";
    QTest::newRow("default ending in a star") << 0 << "Starred*"
                                              << "Starred*";
    QTest::newRow("other mode") << 1 << "Whole site"
                                << "Whole site";
}

void CModesPageTest::renamedModeKeepsOrLosesTheMark()
{
    QFETCH(int, row);
    QFETCH(QString, name);
    QFETCH(QString, shown);
    CModesFixture f;
    QStringList before;
    QStringList after;
    f.RunOptions(
        [&](COptionSheet& sheet, CModePage& page)
        {
            before = Texts(page.List());
            EditMode(page, row, [&](CModeDlg& dialog) { SetName(dialog, name); });
            after = Texts(page.List());
            sheet.reject();
        });
    QCOMPARE(before, (QStringList{"Find files on Page *DEFAULT*", "Find files on Site",
                                  "Find files from Links"}));
    QCOMPARE(after[row], shown);
    // The mode file was written at once, although the sheet was cancelled.
    QCOMPARE(QString::fromStdString(GetModeName(row, *f.engine.Options())), name);
}

void CModesPageTest::setAsDefaultWritesTheOptionsAtOnce()
{
    CModesFixture f;
    QStringList after;
    int defaultOnDisk = -1;
    f.RunOptions(
        [&](COptionSheet& sheet, CModePage& page)
        {
            page.List()->setCurrentRow(2);
            Click(&page, "setDefault");
            after = Texts(page.List());
            COptions onDisk(f.dir.Path());
            if (onDisk.Load())
                defaultOnDisk = onDisk.m_defaultMode;
            sheet.reject();
        });
    QCOMPARE(after, (QStringList{"Find files on Page", "Find files on Site",
                                 "Find files from Links *DEFAULT*"}));
    QCOMPARE(defaultOnDisk, 2);
    QCOMPARE(f.engine.Options()->m_defaultMode, 2);
}

void CModesPageTest::okRenamesTheSiteMenu()
{
    CModesFixture f;
    QStringList messagesWhileOpen;
    f.RunOptions(
        [&](COptionSheet& sheet, CModePage& page)
        {
            EditMode(page, 1,
                     [&](CModeDlg& dialog)
                     {
                         SetName(dialog, "Deep dig");
                         dialog.findChild<QLineEdit*>("externalFollowMax")->setText("-1");
                         dialog.accept(); // refused: the dialog stays and the record is unchanged
                         messagesWhileOpen = f.messages;
                         dialog.findChild<QLineEdit*>("externalFollowMax")->setText("4000000000");
                         auto* pages = dialog.findChild<QLineEdit*>("pagesAtOnce");
                         QCOMPARE(pages->text(), QString()); // 0, the default, shows blank
                         pages->setText("17");
                         dialog.accept(); // refused too
                         pages->setText("");
                         dialog.findChild<QLineEdit*>("maxDepth")->setText("-2");
                         dialog.accept(); // and a negative maximum
                         dialog.findChild<QLineEdit*>("maxDepth")->setText("2");
                         messagesWhileOpen = f.messages;
                         pages->setText(" 8 ");
                         dialog.findChild<QCheckBox*>("onlyIfModified")->setChecked(true);
                     });
            sheet.accept();
        });
    QCOMPARE(messagesWhileOpen,
             (QStringList{"Harvestor: Please enter a positive integer.",
                          "Harvestor: Pages read at once must be a number from 0 to 16.",
                          "Harvestor: Max Depth must be a number from 0 to 2147483647."}));
    QCOMPARE(f.frame->Action(ID_MODE2)->text(), QString("Deep dig"));
    QCOMPARE(f.frame->Action(ID_MODE1)->text(), QString("Find files on Page"));
    const auto mode = GetMode(1, *f.engine.Options());
    QCOMPARE(mode->m_externalFollowMax, 4000000000u);
    QVERIFY(mode->m_onlyIfModified);
    QCOMPARE(mode->m_reserved, 8);
    QCOMPARE(mode->m_localFollowMax, 200);
    QVERIFY(std::filesystem::exists(f.dir.File("options.dat")));
}

QTEST_MAIN(CModesPageTest)
#include "modes_page_test.moc"
