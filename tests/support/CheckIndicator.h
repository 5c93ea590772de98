// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QAbstractItemView>
#include <QStyle>
#include <QStyleOptionViewItem>

// Where the style puts the cell's check box, in the view's viewport, found
// as the style lays out any item rather than asked of the view.
inline QRect CheckIndicatorRect(QAbstractItemView *view, const QModelIndex &cell)
{
    QStyleOptionViewItem option;
    option.initFrom(view->viewport());
    option.rect = view->visualRect(cell);
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = cell.data().toString();
    return view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view);
}
