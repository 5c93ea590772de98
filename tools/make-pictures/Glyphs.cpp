// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "tools/make-pictures/Glyphs.h"

#include "tools/make-pictures/Artwork.h"

#include <QFont>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>

namespace
{

void FillAndOutline(QPainter &painter, const QPainterPath &path, const QBrush &fill, const QPen &outline)
{
    painter.setPen(outline);
    painter.setBrush(fill);
    painter.drawPath(path);
}

QPainterPath RoundedRect(double x, double y, double w, double h, double radius)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(x, y, w, h), radius, radius);
    return path;
}

QPainterPath Circle(double cx, double cy, double r)
{
    QPainterPath path;
    path.addEllipse(QPointF(cx, cy), r, r);
    return path;
}

void DrawFolder(QPainter &painter, double pixel)
{
    const QPainterPath back = RoundedRect(4, 11, 40, 30, 3).united(RoundedRect(4, 7, 17, 8, 2.5));
    FillAndOutline(painter, back, VerticalGradient(7, 41, QColor("#f0b429"), QColor("#d48806")),
                   OutlinePen(QColor("#9c6500"), 1.4, pixel));
    const QPainterPath front = RoundedRect(4, 17, 40, 24, 3);
    FillAndOutline(painter, front, VerticalGradient(17, 41, QColor("#ffe38f"), QColor("#f7b733")),
                   OutlinePen(QColor("#a86f00"), 1.4, pixel));
    painter.setPen(OutlinePen(QColor(255, 255, 255, 170), 1.2, pixel));
    painter.drawLine(QPointF(7, 19.5), QPointF(41, 19.5));
}

// A round badge with a white plus (or minus) in the lower right corner.
void DrawBadge(QPainter &painter, double pixel, const QColor &top, const QColor &bottom, bool plus)
{
    const double cx = 35.5, cy = 35.5, r = 10.5;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(Circle(cx, cy, r + 1.8));
    FillAndOutline(painter, Circle(cx, cy, r), VerticalGradient(cy - r, cy + r, top, bottom),
                   OutlinePen(bottom.darker(130), 1.0, pixel));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(RoundedRect(cx - 6, cy - 1.7, 12, 3.4, 1.2));
    if (plus)
        painter.drawPath(RoundedRect(cx - 1.7, cy - 6, 3.4, 12, 1.2));
}

void DrawMagnifier(QPainter &painter, double pixel)
{
    painter.setPen(OutlinePen(QColor("#263238"), 8, pixel));
    painter.drawLine(QPointF(29, 29), QPointF(41.5, 41.5));
    painter.setPen(OutlinePen(QColor("#fb8c00"), 5.5, pixel));
    painter.drawLine(QPointF(33, 33), QPointF(41.5, 41.5));
    FillAndOutline(painter, Circle(19, 19, 14.5), VerticalGradient(4, 34, QColor("#f5f7f8"), QColor("#90a4ae")),
                   OutlinePen(QColor("#263238"), 1.5, pixel));
    FillAndOutline(painter, Circle(19, 19, 10.5), VerticalGradient(8, 30, QColor("#e3f2fd"), QColor("#64b5f6")),
                   OutlinePen(QColor("#455a64"), 1.1, pixel));
    painter.setPen(OutlinePen(QColor(255, 255, 255, 220), 2.2, pixel));
    painter.setBrush(Qt::NoBrush);
    painter.drawArc(QRectF(12, 12, 14, 14), 100 * 16, 70 * 16);
}

void DrawDocument(QPainter &painter, double pixel, double x, double y, const QColor &paper)
{
    QPainterPath sheet;
    sheet.moveTo(x, y);
    sheet.lineTo(x + 17, y);
    sheet.lineTo(x + 24, y + 7);
    sheet.lineTo(x + 24, y + 31);
    sheet.lineTo(x, y + 31);
    sheet.closeSubpath();
    FillAndOutline(painter, sheet, paper, OutlinePen(QColor("#607d8b"), 1.3, pixel));
    QPainterPath fold;
    fold.moveTo(x + 17, y);
    fold.lineTo(x + 17, y + 7);
    fold.lineTo(x + 24, y + 7);
    FillAndOutline(painter, fold, QColor("#cfd8dc"), OutlinePen(QColor("#607d8b"), 1.1, pixel));
    painter.setPen(OutlinePen(QColor("#42a5f5"), 1.8, pixel));
    for (double line = y + 12; line < y + 28; line += 4.5)
        painter.drawLine(QPointF(x + 4, line), QPointF(x + 20, line));
}

QPolygonF Octagon(double cx, double cy, double r)
{
    QPolygonF polygon;
    for (int i = 0; i < 8; ++i) {
        const double angle = (22.5 + 45.0 * i) * M_PI / 180.0;
        polygon << QPointF(cx + r * std::cos(angle), cy + r * std::sin(angle));
    }
    return polygon;
}

void DrawCentredText(QPainter &painter, const QRectF &box, const QString &text, double pixelSize)
{
    QFont font("Liberation Sans");
    font.setBold(true);
    font.setPixelSize(int(pixelSize));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(box, Qt::AlignCenter, text);
}

void DrawBlueDisc(QPainter &painter, double pixel)
{
    FillAndOutline(painter, Circle(24, 24, 21), VerticalGradient(3, 45, QColor("#4fb3ff"), QColor("#1456b8")),
                   OutlinePen(QColor("#0b3a80"), 1.4, pixel));
    painter.setPen(OutlinePen(QColor(255, 255, 255, 200), 1.6, pixel));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(Circle(24, 24, 18.6));
}

} // namespace

void DrawAddFolderGlyph(QPainter &painter, double pixel)
{
    DrawFolder(painter, pixel);
    DrawBadge(painter, pixel, QColor("#4cd964"), QColor("#1e9e3e"), true);
}

void DrawRemoveFolderGlyph(QPainter &painter, double pixel)
{
    DrawFolder(painter, pixel);
    DrawBadge(painter, pixel, QColor("#ff6b6b"), QColor("#c62828"), false);
}

void DrawFilterGlyph(QPainter &painter, double pixel)
{
    QPainterPath funnel;
    funnel.moveTo(4, 7);
    funnel.lineTo(44, 7);
    funnel.lineTo(28.5, 25);
    funnel.lineTo(28.5, 39);
    funnel.lineTo(19.5, 44);
    funnel.lineTo(19.5, 25);
    funnel.closeSubpath();
    QLinearGradient fill(4, 0, 44, 0);
    fill.setColorAt(0, QColor("#7fd3ff"));
    fill.setColorAt(0.45, QColor("#2f9bf0"));
    fill.setColorAt(1, QColor("#1565c0"));
    FillAndOutline(painter, funnel, fill, OutlinePen(QColor("#0b3a80"), 1.8, pixel));
    painter.setPen(OutlinePen(QColor(255, 255, 255, 200), 1.6, pixel));
    painter.drawLine(QPointF(9, 9.8), QPointF(39, 9.8));
}

void DrawScanGlyph(QPainter &painter, double pixel)
{
    DrawMagnifier(painter, pixel);
}

void DrawScanNowGlyph(QPainter &painter, double pixel)
{
    DrawDocument(painter, pixel, 4, 2, QColor("#e3f2fd"));
    DrawDocument(painter, pixel, 12, 8, Qt::white);
    painter.save();
    painter.translate(17, 17);
    painter.scale(0.66, 0.66);
    DrawMagnifier(painter, pixel / 0.66);
    painter.restore();
}

void DrawStopGlyph(QPainter &painter, double pixel)
{
    QPainterPath outer;
    outer.addPolygon(Octagon(24, 24, 22));
    outer.closeSubpath();
    FillAndOutline(painter, outer, VerticalGradient(2, 46, QColor("#ff5a4f"), QColor("#b71c1c")),
                   OutlinePen(QColor("#7f0000"), 1.5, pixel));
    QPainterPath inner;
    inner.addPolygon(Octagon(24, 24, 18.5));
    inner.closeSubpath();
    painter.setPen(OutlinePen(Qt::white, 2.2, pixel));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(inner);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(RoundedRect(16.5, 16.5, 15, 15, 2.5));
}

void DrawDeleteGlyph(QPainter &painter, double pixel)
{
    const QPen edge = OutlinePen(QColor("#37474f"), 1.5, pixel);
    painter.setPen(OutlinePen(QColor("#455a64"), 2.6, pixel));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(RoundedRect(18, 4.5, 12, 6, 2));
    QPainterPath body;
    body.moveTo(10.5, 15);
    body.lineTo(37.5, 15);
    body.lineTo(34.8, 44);
    body.lineTo(13.2, 44);
    body.closeSubpath();
    QLinearGradient metal(10, 0, 38, 0);
    metal.setColorAt(0, QColor("#eceff1"));
    metal.setColorAt(0.5, QColor("#cfd8dc"));
    metal.setColorAt(1, QColor("#90a4ae"));
    FillAndOutline(painter, body, metal, edge);
    painter.setPen(OutlinePen(QColor("#78909c"), 2.2, pixel));
    painter.drawLine(QPointF(18, 20), QPointF(18.8, 39.5));
    painter.drawLine(QPointF(24, 20), QPointF(24, 39.5));
    painter.drawLine(QPointF(30, 20), QPointF(29.2, 39.5));
    FillAndOutline(painter, RoundedRect(7, 9.5, 34, 6, 2),
                   VerticalGradient(9.5, 15.5, QColor("#90a4ae"), QColor("#546e7a")), edge);
}

void DrawHelpGlyph(QPainter &painter, double pixel)
{
    DrawBlueDisc(painter, pixel);
    DrawCentredText(painter, QRectF(4, 3, 40, 42), "?", 31);
}

void DrawHomeGlyph(QPainter &painter, double pixel)
{
    const QPen brown = OutlinePen(QColor("#6d4c41"), 1.4, pixel);
    FillAndOutline(painter, RoundedRect(32, 7, 6, 12, 0.8), QColor("#a1887f"), brown);
    FillAndOutline(painter, RoundedRect(9, 21, 30, 23, 1),
                   VerticalGradient(21, 44, QColor("#fffaf0"), QColor("#ffe0b2")), brown);
    FillAndOutline(painter, RoundedRect(26, 29, 9, 15, 1),
                   VerticalGradient(29, 44, QColor("#42a5f5"), QColor("#1565c0")),
                   OutlinePen(QColor("#0d47a1"), 1.2, pixel));
    FillAndOutline(painter, RoundedRect(13, 27, 9, 8, 0.8), QColor("#bbdefb"),
                   OutlinePen(QColor("#0d47a1"), 1.2, pixel));
    painter.setPen(OutlinePen(QColor("#0d47a1"), 1.0, pixel));
    painter.drawLine(QPointF(17.5, 27), QPointF(17.5, 35));
    painter.drawLine(QPointF(13, 31), QPointF(22, 31));
    QPainterPath roof;
    roof.moveTo(2.5, 24);
    roof.lineTo(24, 4);
    roof.lineTo(45.5, 24);
    roof.lineTo(41.5, 27);
    roof.lineTo(24, 11);
    roof.lineTo(6.5, 27);
    roof.closeSubpath();
    FillAndOutline(painter, roof, VerticalGradient(4, 27, QColor("#ff6f60"), QColor("#c62828")),
                   OutlinePen(QColor("#7f0000"), 1.4, pixel));
}

void DrawNoteIcon(QPainter &painter, double pixel)
{
    DrawBlueDisc(painter, pixel);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPath(Circle(24, 13.5, 3.6));
    painter.drawPath(RoundedRect(20.6, 20, 6.8, 17, 1.5));
}

// Drawn bold: it is shown at 11 pixels before a folder's path.
void DrawPadlockGlyph(QPainter &painter, double pixel)
{
    QPainterPath shackle;
    shackle.moveTo(13, 24);
    shackle.lineTo(13, 15);
    shackle.arcTo(QRectF(13, 3, 22, 24), 180, -180);
    shackle.lineTo(35, 24);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(OutlinePen(QColor("#37474f"), 9, pixel));
    painter.drawPath(shackle);
    painter.setPen(OutlinePen(QColor("#b0bec5"), 5, pixel));
    painter.drawPath(shackle);
    FillAndOutline(painter, RoundedRect(6, 21, 36, 25, 5),
                   VerticalGradient(21, 46, QColor("#ffe082"), QColor("#f9a825")),
                   OutlinePen(QColor("#8d6e00"), 2.6, pixel));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor("#4e342e"));
    painter.drawPath(Circle(24, 31, 4.2).united(RoundedRect(21.8, 31, 4.4, 10, 1.5)));
}

void DrawApplicationIcon(QPainter &painter, double pixel)
{
    FillAndOutline(painter, RoundedRect(1.5, 1.5, 45, 45, 10),
                   VerticalGradient(1.5, 46.5, QColor("#2f6fb8"), QColor("#143a66")),
                   OutlinePen(QColor("#0d2a4d"), 1.0, pixel));
    painter.save();
    painter.translate(5, 5);
    painter.scale(0.8, 0.8);
    DrawScanNowGlyph(painter, pixel / 0.8);
    painter.restore();
}
