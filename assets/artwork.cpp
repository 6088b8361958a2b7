#include "assets/artwork.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

constexpr QSize backgroundSize(706, 636);
const QColor panelGrey(212, 212, 208);
const QColor bannerDark(70, 62, 52);
const QColor bannerLight(128, 100, 70);
const QColor tabOrange(255, 160, 64);

QFont boldSongFont(qreal points)
{
    QFont font = songFont(points);
    font.setBold(true);
    return font;
}

void paintBanner(QPainter& p)
{
    const QRectF banner(0, 0, backgroundSize.width(), 64);
    QLinearGradient shade(banner.topLeft(), banner.bottomLeft());
    shade.setColorAt(0, bannerLight);
    shade.setColorAt(1, bannerDark);
    p.fillRect(banner, shade);
    p.fillRect(QRectF(0, 62, backgroundSize.width(), 2), QColor(40, 34, 28));

    QFont title(QStringLiteral("DejaVu Serif"));
    title.setPixelSize(34);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0, 0, 0, 90));
    p.drawText(banner.translated(2, 2), Qt::AlignCenter, QStringLiteral("Quorvane"));
    p.setPen(QColor(255, 236, 200));
    p.drawText(banner, Qt::AlignCenter, QStringLiteral("Quorvane"));

    p.setFont(songFont(9));
    p.setPen(QColor(240, 220, 190));
    p.drawText(banner.adjusted(0, 0, -14, -6), Qt::AlignRight | Qt::AlignBottom,
        QStringLiteral("原木检尺 · 材积计价"));
}

// A tab hanging from the banner's lower edge, behind a caption box.
void paintTab(QPainter& p, const QRectF& area)
{
    QPainterPath tab;
    tab.addRoundedRect(area, 6, 6);
    tab.addRect(area.adjusted(0, 0, 0, -area.height() / 2));
    p.setPen(QPen(QColor(190, 100, 20), 1));
    p.setBrush(tabOrange);
    p.drawPath(tab.simplified());
}

void paintInset(QPainter& p, const QRectF& area)
{
    p.setPen(QPen(QColor(160, 160, 156), 1));
    p.setBrush(QColor(222, 222, 218));
    p.drawRoundedRect(area, 5, 5);
}

void paintLogEnd(QPixmap& picture)
{
    const int side = picture.width();
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF end = QRectF(0, 0, side, side).adjusted(1, 1, -1, -1);
    QRadialGradient wood(end.center(), side / 2.0);
    wood.setColorAt(0, QColor(240, 200, 140));
    wood.setColorAt(1, QColor(200, 150, 90));
    p.setPen(QPen(QColor(100, 60, 25), side / 16.0));
    p.setBrush(wood);
    p.drawEllipse(end);
    p.setPen(QPen(QColor(150, 100, 50), side / 32.0));
    p.setBrush(Qt::NoBrush);
    for (double ring = 0.25; ring < 0.9; ring += 0.22)
        p.drawEllipse(end.center(), end.width() * ring / 2, end.height() * ring / 2);
}

} // namespace

QFont songFont(qreal points)
{
    QFont font;
    // SimSun where it is installed, else a Song (Ming) style face of Debian.
    font.setFamilies({ QStringLiteral("SimSun"), QStringLiteral("宋体"),
        QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC") });
    font.setPointSizeF(points);
    return font;
}

QPixmap backgroundPicture()
{
    QPixmap picture(backgroundSize);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient panel(0, 0, 0, backgroundSize.height());
    panel.setColorAt(0, panelGrey.lighter(104));
    panel.setColorAt(1, panelGrey.darker(106));
    p.fillRect(picture.rect(), panel);

    // The tabs hang from under the banner.
    paintTab(p, QRectF(32, 40, 84, 66));
    paintTab(p, QRectF(358, 40, 82, 64));
    paintBanner(p);

    for (const QRectF& frame : backgroundFrames())
        paintInset(p, frame);
    return picture;
}

QVector<QRectF> backgroundFrames()
{
    // The grid's frame takes in block 3's volume column, the summary's the
    // amount column, the total row and the unit price link under it.
    return { QRectF(24, 128, 556, 328), QRectF(46, 456, 504, 108), QRectF(584, 142, 108, 318) };
}

QPixmap buttonPicture(const QString& words, QSize size, bool pressed)
{
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);

    const QRectF face = QRectF(picture.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient shade(face.topLeft(), face.bottomLeft());
    shade.setColorAt(0, pressed ? QColor(150, 84, 30) : QColor(250, 196, 120));
    shade.setColorAt(1, pressed ? QColor(200, 120, 50) : QColor(196, 110, 40));
    p.setPen(QPen(QColor(110, 60, 20), 1));
    p.setBrush(shade);
    p.drawRoundedRect(face, 5, 5);

    const QRectF label = face.translated(pressed ? 1 : 0, pressed ? 1 : 0);
    p.setFont(boldSongFont(size.width() < 60 ? 10.5 : 11));
    p.setPen(QColor(60, 30, 10, 120));
    p.drawText(label.translated(1, 1), Qt::AlignCenter, words);
    p.setPen(pressed ? QColor(255, 240, 210) : Qt::white);
    p.drawText(label, Qt::AlignCenter, words);
    return picture;
}

QPixmap programIconPicture(int side)
{
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    paintLogEnd(picture);
    return picture;
}

QIcon programIcon()
{
    QIcon icon;
    for (int side : { 16, 32, 64 })
        icon.addPixmap(programIconPicture(side));
    return icon;
}
