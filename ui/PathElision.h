// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QStyledItemDelegate>

class QFontMetrics;

// A path cut to `width` pixels so that what tells files apart stays: the file
// name whole and the end of its folder ("/home/ann/…/2023/IMG_1031.jpg").
// A name too long for the width alone loses its middle.
QString ElidePath(const QString &path, const QFontMetrics &metrics, int width);

// Draws the result list's paths cut by ElidePath; every other cell as usual.
class PathElidingDelegate : public QStyledItemDelegate
{
public:
    PathElidingDelegate(int pathColumn, QObject *parent) : QStyledItemDelegate(parent), pathColumn_(pathColumn) { }
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int pathColumn_;
};
