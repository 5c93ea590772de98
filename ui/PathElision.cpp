// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/PathElision.h"

#include <QApplication>
#include <QFontMetrics>
#include <QStyle>

QString ElidePath(const QString &path, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(slash + 1);
    const int nameWidth = metrics.horizontalAdvance(name);
    // The folder keeps at least an ellipsis and its separator.
    if (slash < 0 || nameWidth + metrics.horizontalAdvance(QStringLiteral("\u2026/")) > width)
        return metrics.elidedText(name, Qt::ElideMiddle, width);
    return metrics.elidedText(path.left(slash + 1), Qt::ElideMiddle, width - nameWidth) + name;
}

void PathElidingDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    if (index.column() != pathColumn_) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem shown = option;
    initStyleOption(&shown, index);
    const QWidget *widget = option.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    // The style draws the text inside these margins of its rectangle.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &shown, widget);
    shown.text = ElidePath(shown.text, shown.fontMetrics, text.width() - 2 * margin);
    style->drawControl(QStyle::CE_ItemViewItem, &shown, painter, widget);
}
