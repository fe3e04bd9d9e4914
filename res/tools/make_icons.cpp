// Draws Harvestor's icons: the toolbar images (16 and 24 pixels), the site tree's image strip
// and the application icon. Usage: harvestor_make_icons RES_FOLDER
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <functional>

namespace
{

const QColor kOutline(40, 52, 70);
const QColor kGlobeDark(31, 84, 150);
const QColor kGlobeLight(110, 176, 235);
const QColor kGreen(46, 160, 67);
const QColor kGreenDark(24, 110, 40);
const QColor kRed(214, 48, 49);
const QColor kRedDark(150, 24, 24);
const QColor kFolder(242, 193, 63);
const QColor kFolderDark(176, 128, 20);
const QColor kBlue(33, 110, 220);

QPen Pen(const QColor& color, qreal width)
{
    QPen pen(color, width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

void DrawGlobe(QPainter& p, const QRectF& r)
{
    QRadialGradient fill(r.center() - QPointF(r.width() * 0.2, r.height() * 0.2), r.width() * 0.7);
    fill.setColorAt(0, kGlobeLight);
    fill.setColorAt(1, kGlobeDark);
    p.setPen(Pen(kGlobeDark.darker(130), 1));
    p.setBrush(fill);
    p.drawEllipse(r);
    p.setBrush(Qt::NoBrush);
    p.setPen(Pen(QColor(255, 255, 255, 170), 0.9));
    p.drawEllipse(QRectF(r.center().x() - r.width() * 0.22, r.top(), r.width() * 0.44, r.height()));
    p.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
    p.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
    const qreal dy = r.height() * 0.27;
    const qreal inset = r.width() * 0.09;
    p.drawLine(QPointF(r.left() + inset, r.center().y() - dy),
               QPointF(r.right() - inset, r.center().y() - dy));
    p.drawLine(QPointF(r.left() + inset, r.center().y() + dy),
               QPointF(r.right() - inset, r.center().y() + dy));
}

void DrawDocument(QPainter& p, const QRectF& r, const QColor& tint = Qt::white)
{
    const qreal fold = r.width() * 0.32;
    QPainterPath page;
    page.moveTo(r.topLeft());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.bottomRight());
    page.lineTo(r.bottomLeft());
    page.closeSubpath();
    p.setPen(Pen(kOutline, 1));
    p.setBrush(tint);
    p.drawPath(page);
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    p.setBrush(QColor(210, 214, 222));
    p.drawPath(corner);
    p.setPen(Pen(QColor(150, 160, 175), 1));
    for (int line = 0; line < 3; ++line)
    {
        const qreal y = r.top() + fold + 2.5 + line * (r.height() - fold - 4) / 3.0;
        p.drawLine(QPointF(r.left() + 2.5, y), QPointF(r.right() - 2.5, y));
    }
}

void DrawFolder(QPainter& p, const QRectF& r)
{
    QPainterPath back;
    back.moveTo(r.left(), r.top() + r.height() * 0.15);
    back.lineTo(r.left() + r.width() * 0.38, r.top() + r.height() * 0.15);
    back.lineTo(r.left() + r.width() * 0.48, r.top() + r.height() * 0.3);
    back.lineTo(r.right(), r.top() + r.height() * 0.3);
    back.lineTo(r.right(), r.bottom());
    back.lineTo(r.left(), r.bottom());
    back.closeSubpath();
    p.setPen(Pen(kFolderDark, 1));
    p.setBrush(kFolder.darker(112));
    p.drawPath(back);
    QLinearGradient front(r.topLeft(), r.bottomLeft());
    front.setColorAt(0, kFolder.lighter(120));
    front.setColorAt(1, kFolder);
    p.setBrush(front);
    p.drawRect(QRectF(r.left(), r.top() + r.height() * 0.42, r.width(), r.height() * 0.58));
}

void DrawMagnifier(QPainter& p, const QPointF& center, qreal radius)
{
    p.setPen(Pen(QColor(70, 70, 80), radius * 0.55));
    const QPointF handleStart = center + QPointF(radius * 0.75, radius * 0.75);
    p.drawLine(handleStart, handleStart + QPointF(radius * 0.95, radius * 0.95));
    p.setPen(Pen(QColor(60, 60, 70), radius * 0.32));
    p.setBrush(QColor(220, 240, 255, 200));
    p.drawEllipse(center, radius, radius);
}

void DrawBadge(QPainter& p, const QRectF& r, const QColor& fill, const QColor& edge)
{
    p.setPen(Pen(edge, 1));
    p.setBrush(fill);
    p.drawEllipse(r);
}

void DrawPlusBadge(QPainter& p, const QRectF& r)
{
    DrawBadge(p, r, kGreen, kGreenDark);
    p.setPen(Pen(Qt::white, r.width() * 0.2));
    const QPointF c = r.center();
    const qreal arm = r.width() * 0.27;
    p.drawLine(c - QPointF(arm, 0), c + QPointF(arm, 0));
    p.drawLine(c - QPointF(0, arm), c + QPointF(0, arm));
}

void DrawCrossBadge(QPainter& p, const QRectF& r)
{
    DrawBadge(p, r, kRed, kRedDark);
    p.setPen(Pen(Qt::white, r.width() * 0.18));
    const QPointF c = r.center();
    const qreal arm = r.width() * 0.22;
    p.drawLine(c - QPointF(arm, arm), c + QPointF(arm, arm));
    p.drawLine(c - QPointF(arm, -arm), c + QPointF(arm, -arm));
}

void DrawStopBadge(QPainter& p, const QRectF& r)
{
    QPolygonF octagon;
    for (int i = 0; i < 8; ++i)
    {
        const double angle = (22.5 + 45.0 * i) * M_PI / 180.0;
        octagon << r.center() +
                       QPointF(std::cos(angle) * r.width() / 2, std::sin(angle) * r.height() / 2);
    }
    p.setPen(Pen(kRedDark, 1));
    p.setBrush(kRed);
    p.drawPolygon(octagon);
    p.setPen(Pen(Qt::white, r.height() * 0.18));
    p.drawLine(QPointF(r.left() + r.width() * 0.28, r.center().y()),
               QPointF(r.right() - r.width() * 0.28, r.center().y()));
}

void DrawPlayBadge(QPainter& p, const QRectF& r)
{
    DrawBadge(p, r, kGreen, kGreenDark);
    QPolygonF triangle;
    triangle << QPointF(r.left() + r.width() * 0.38, r.top() + r.height() * 0.26)
             << QPointF(r.left() + r.width() * 0.76, r.center().y())
             << QPointF(r.left() + r.width() * 0.38, r.bottom() - r.height() * 0.26);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(triangle);
}

void DrawDownArrow(QPainter& p, const QRectF& r, const QColor& fill, const QColor& edge)
{
    const qreal shaft = r.width() * 0.34;
    QPolygonF arrow;
    arrow << QPointF(r.center().x() - shaft / 2, r.top())
          << QPointF(r.center().x() + shaft / 2, r.top())
          << QPointF(r.center().x() + shaft / 2, r.top() + r.height() * 0.5)
          << QPointF(r.right(), r.top() + r.height() * 0.5) << QPointF(r.center().x(), r.bottom())
          << QPointF(r.left(), r.top() + r.height() * 0.5)
          << QPointF(r.center().x() - shaft / 2, r.top() + r.height() * 0.5);
    p.setPen(Pen(edge, 1));
    p.setBrush(fill);
    p.drawPolygon(arrow);
}

void DrawRightArrow(QPainter& p, const QRectF& r)
{
    const qreal shaft = r.height() * 0.34;
    QPolygonF arrow;
    arrow << QPointF(r.left(), r.center().y() - shaft / 2)
          << QPointF(r.left() + r.width() * 0.5, r.center().y() - shaft / 2)
          << QPointF(r.left() + r.width() * 0.5, r.top()) << QPointF(r.right(), r.center().y())
          << QPointF(r.left() + r.width() * 0.5, r.bottom())
          << QPointF(r.left() + r.width() * 0.5, r.center().y() + shaft / 2)
          << QPointF(r.left(), r.center().y() + shaft / 2);
    p.setPen(Pen(kBlue.darker(140), 1));
    p.setBrush(kBlue);
    p.drawPolygon(arrow);
}

void DrawCheck(QPainter& p, const QRectF& r)
{
    p.setPen(Pen(Qt::white, r.width() * 0.42));
    QPolygonF tick;
    tick << QPointF(r.left(), r.center().y()) << QPointF(r.left() + r.width() * 0.38, r.bottom())
         << QPointF(r.right(), r.top());
    p.drawPolyline(tick);
    p.setPen(Pen(kBlue, r.width() * 0.24));
    p.drawPolyline(tick);
}

void DrawGear(QPainter& p, const QRectF& r)
{
    const QPointF c = r.center();
    const qreal outer = r.width() / 2;
    const qreal inner = outer * 0.74;
    QPainterPath gear;
    const int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i)
    {
        const double angle = (i * 360.0 / (teeth * 4) - 5.6) * M_PI / 180.0;
        const qreal radius = (i % 4 == 1 || i % 4 == 2) ? outer : inner;
        const QPointF point = c + QPointF(std::cos(angle) * radius, std::sin(angle) * radius);
        if (i == 0)
            gear.moveTo(point);
        else
            gear.lineTo(point);
    }
    gear.closeSubpath();
    gear.addEllipse(c, outer * 0.3, outer * 0.3);
    gear.setFillRule(Qt::OddEvenFill);
    QLinearGradient fill(r.topLeft(), r.bottomRight());
    fill.setColorAt(0, QColor(170, 178, 190));
    fill.setColorAt(1, QColor(95, 104, 118));
    p.setPen(Pen(QColor(60, 66, 78), 1));
    p.setBrush(fill);
    p.drawPath(gear);
}

void DrawBars(QPainter& p, const QRectF& r)
{
    p.setPen(Pen(kOutline, 1));
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.bottomLeft(), r.topLeft());
    const QColor colors[] = {kBlue, kGreen, QColor(230, 140, 30)};
    const qreal heights[] = {0.45, 0.8, 0.6};
    const qreal barWidth = (r.width() - 3) / 3.0 - 1;
    for (int i = 0; i < 3; ++i)
    {
        const qreal left = r.left() + 2 + i * (barWidth + 1);
        const qreal top = r.bottom() - r.height() * heights[i];
        p.setPen(Pen(colors[i].darker(140), 1));
        p.setBrush(colors[i]);
        p.drawRect(QRectF(left, top, barWidth, r.bottom() - top - 1));
    }
}

// Every picture is drawn on a 24 x 24 canvas and scaled to the size asked for.
using Drawing = std::function<void(QPainter&)>;

struct CIcon
{
    const char* name;
    Drawing draw;
};

const CIcon kToolbarIcons[] = {
    {"add_site",
     [](QPainter& p)
     {
         DrawGlobe(p, {1.5, 1.5, 17, 17});
         DrawPlusBadge(p, {13, 13, 10, 10});
     }},
    {"explore",
     [](QPainter& p)
     {
         DrawGlobe(p, {1.5, 1.5, 17, 17});
         DrawPlayBadge(p, {12.5, 12.5, 10.5, 10.5});
     }},
    {"remove_site",
     [](QPainter& p)
     {
         DrawGlobe(p, {1.5, 1.5, 17, 17});
         DrawCrossBadge(p, {13, 13, 10, 10});
     }},
    {"cancel_browse",
     [](QPainter& p)
     {
         DrawGlobe(p, {1.5, 1.5, 17, 17});
         DrawStopBadge(p, {12.5, 12.5, 10.5, 10.5});
     }},
    {"find_site",
     [](QPainter& p)
     {
         DrawGlobe(p, {1.5, 1.5, 16, 16});
         DrawMagnifier(p, {14.5, 14.5}, 4.2);
     }},
    {"download",
     [](QPainter& p)
     {
         DrawDownArrow(p, {5, 1.5, 14, 15}, kGreen, kGreenDark);
         p.setPen(Pen(kOutline, 2));
         p.drawLine(QPointF(3, 21), QPointF(21, 21));
         p.drawLine(QPointF(3, 21), QPointF(3, 17));
         p.drawLine(QPointF(21, 21), QPointF(21, 17));
     }},
    {"remove_file",
     [](QPainter& p)
     {
         DrawDocument(p, {3.5, 1.5, 14, 19});
         DrawCrossBadge(p, {13, 13, 10, 10});
     }},
    {"cancel_download",
     [](QPainter& p)
     {
         DrawDownArrow(p, {2, 1.5, 13, 15}, kGreen, kGreenDark);
         DrawStopBadge(p, {12.5, 12.5, 10.5, 10.5});
     }},
    {"find_file",
     [](QPainter& p)
     {
         DrawDocument(p, {2.5, 1.5, 13, 17});
         DrawMagnifier(p, {14.5, 14.5}, 4.2);
     }},
    {"export",
     [](QPainter& p)
     {
         DrawDocument(p, {2.5, 1.5, 14, 20});
         DrawRightArrow(p, {11, 10, 12, 11});
     }},
    {"view_downloads",
     [](QPainter& p)
     {
         DrawFolder(p, {1.5, 5.5, 21, 16});
         DrawDownArrow(p, {7, 1, 10, 12}, kGreen, kGreenDark);
     }},
    {"options",
     [](QPainter& p) {
         DrawGear(p, {1.5, 1.5, 21, 21});
     }},
    {"stats",
     [](QPainter& p) {
         DrawBars(p, {2.5, 2.5, 19, 19});
     }},
};

// The tree's node images, drawn on a 16 x 16 canvas each: a site (globe) and a page (document),
// each found, being read, read and unreadable.
void DrawNodeState(QPainter& p, int state)
{
    if (state == 1)
        DrawDownArrow(p, {8, 4, 8, 11}, QColor(150, 150, 150), QColor(80, 80, 80));
    else if (state == 2)
        DrawCheck(p, {7, 7, 8.5, 7});
    else if (state == 3)
        DrawCrossBadge(p, {7.5, 7.5, 8, 8});
}

constexpr int kTreeImageCount = 8;

void DrawTreeImage(QPainter& p, int index)
{
    if (index < 4)
        DrawGlobe(p, {1, 1, 14, 14});
    else
        DrawDocument(p, {2.5, 0.5, 11, 15});
    DrawNodeState(p, index % 4);
}

QImage Render(const Drawing& draw, int size, qreal canvas)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / canvas, size / canvas);
    draw(painter);
    return image;
}

void DrawAppIcon(QPainter& p)
{
    // 128 x 128 canvas: a rounded tile, the globe, and a golden arrow gathering into a tray.
    QLinearGradient tile(0, 0, 0, 128);
    tile.setColorAt(0, QColor(58, 150, 110));
    tile.setColorAt(1, QColor(24, 96, 72));
    p.setPen(Pen(QColor(16, 70, 52), 3));
    p.setBrush(tile);
    p.drawRoundedRect(QRectF(4, 4, 120, 120), 24, 24);
    DrawGlobe(p, {14, 12, 72, 72});
    DrawDownArrow(p, {66, 40, 44, 50}, QColor(250, 196, 50), QColor(170, 120, 10));
    p.setPen(Pen(QColor(250, 236, 200), 7));
    p.drawLine(QPointF(56, 106), QPointF(116, 106));
    p.drawLine(QPointF(56, 106), QPointF(56, 94));
    p.drawLine(QPointF(116, 106), QPointF(116, 94));
}

bool Save(const QImage& image, const QString& path)
{
    if (image.save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: harvestor_make_icons RES_FOLDER\n");
        return 2;
    }
    const QDir res(QString::fromLocal8Bit(argv[1]));
    bool ok = true;
    for (const int size : {16, 24})
    {
        res.mkpath(QStringLiteral("icons/%1").arg(size));
        for (const CIcon& icon : kToolbarIcons)
            ok &= Save(Render(icon.draw, size, 24),
                       res.filePath(QStringLiteral("icons/%1/%2.png").arg(size).arg(icon.name)));
    }

    QImage strip(kTreeImageCount * 16, 16, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    {
        QPainter painter(&strip);
        for (int i = 0; i < kTreeImageCount; ++i)
            painter.drawImage(i * 16, 0, Render([i](QPainter& p) { DrawTreeImage(p, i); }, 16, 16));
    }
    ok &= Save(strip, res.filePath(QStringLiteral("icons/site_tree.png")));

    res.mkpath(QStringLiteral("icons/app"));
    for (const int size : {16, 24, 32, 48, 64, 128})
        ok &= Save(Render(DrawAppIcon, size, 128),
                   res.filePath(QStringLiteral("icons/app/harvestor_%1.png").arg(size)));
    return ok ? 0 : 1;
}
