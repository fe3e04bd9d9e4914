#include "AppTestSupport.h"
#include "app/DownloadsView.h"
#include "app/FilesArea.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

// The main window on a full-HD screen scaled by one and a half, as many laptops run it.
class CScaledWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void downloadColumnsShowInTheWindow();
};

void CScaledWindowTest::downloadColumnsShowInTheWindow()
{
    QCOMPARE(QGuiApplication::primaryScreen()->devicePixelRatio(), 1.5);
    CFrameFixture f(false);
    f.frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.frame.get()));
    CDownloadsView* view = f.frame->DownloadsView();
    CDownloadReport report;
    report.url = "http://h.test/a%20long%20name%20of%20a%20file%20from%20a%20site.zip";
    report.reason = "HTTP error 404!";
    view->Apply(DOWNLOAD_FAILED, report);
    QCoreApplication::processEvents();

    // Every column up to the reason ends inside the pane, and the pane inside the screen.
    const QRect screen = f.frame->screen()->availableGeometry();
    const QRect pane(view->viewport()->mapToGlobal(QPoint(0, 0)), view->viewport()->size());
    QVERIFY2(screen.contains(pane), qPrintable(QString("%1,%2 %3x%4")
                                                   .arg(pane.x())
                                                   .arg(pane.y())
                                                   .arg(pane.width())
                                                   .arg(pane.height())));
    QHeaderView* header = view->header();
    for (int column = CDownloadsView::kNameColumn; column <= CDownloadsView::kReasonColumn;
         ++column)
    {
        const int right = header->sectionViewportPosition(column) + header->sectionSize(column);
        QVERIFY2(header->sectionViewportPosition(column) >= 0 && right <= view->viewport()->width(),
                 qPrintable(QString("column %1 ends at %2 of %3")
                                .arg(column)
                                .arg(right)
                                .arg(view->viewport()->width())));
        // Wide enough for its title.
        const QString title =
            view->model()->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        QVERIFY2(header->sectionSize(column) >= view->fontMetrics().horizontalAdvance(title),
                 qPrintable(title));
    }
    // A reason longer than its column is in its tooltip.
    QCOMPARE(view->ToolTipAt(0, CDownloadsView::kReasonColumn),
             QString::fromStdString(report.reason));
}

int main(int argc, char** argv)
{
    // A 1920 x 1080 screen, before the application opens the platform.
    QTemporaryDir config;
    const QString path = config.filePath(QStringLiteral("screens.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write(R"({"screens": [{"name": "wide", "x": 0, "y": 0, "width": 1920, "height": 1080,
                   "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    file.close();
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + path).toLocal8Bit());
    qputenv("QT_SCALE_FACTOR", "1.5");
    QApplication app(argc, argv);
    CScaledWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "scaled_window_test.moc"
