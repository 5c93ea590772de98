// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/ThumbnailToolTips.h"
#include "ui/ResultModel.h"
#include "ui/ThumbnailLoader.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

namespace
{
// The tooltip stays while the pointer is on the row, whatever the column.
QRect RowPlace(const QAbstractItemView &view, const QModelIndex &index)
{
    const QRect cell = view.visualRect(index);
    return QRect(0, cell.top(), view.viewport()->width(), cell.height());
}
} // namespace

ThumbnailToolTips::ThumbnailToolTips(QAbstractItemView &view, const ResultModel &model, ThumbnailLoader &loader)
    : QObject(&view), view_(view), model_(model), loader_(loader)
{
    view_.viewport()->installEventFilter(this);
    view_.viewport()->setMouseTracking(true); // a move to another row drops the wish at once
    connect(&loader_, &ThumbnailLoader::ready, this, &ThumbnailToolTips::thumbnailReady);
}

QString ThumbnailToolTips::toolTipWithThumbnail(int row) const
{
    const std::optional<Thumbnail> thumbnail = loader_.cached(std::string(model_.path(row)));
    if (!thumbnail || thumbnail->png.isEmpty())
        return {};
    // A picture above the text, which keeps each of its lines whole.
    return QStringLiteral("<p style='white-space:pre'><img src=\"data:image/png;base64,%1\" width=\"%2\" "
                          "height=\"%3\"><br>%4</p>")
        .arg(QString::fromLatin1(thumbnail->png.toBase64()))
        .arg(thumbnail->size.width())
        .arg(thumbnail->size.height())
        .arg(model_.toolTipText(row).toHtmlEscaped().replace(QLatin1Char('\n'), QLatin1String("<br>")));
}

bool ThumbnailToolTips::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::ToolTip:
        return showToolTip(*static_cast<QHelpEvent *>(event));
    case QEvent::MouseMove:
        pointerMoved(static_cast<QMouseEvent *>(event)->position().toPoint());
        return false;
    case QEvent::Leave:
    case QEvent::Hide:
        forget();
        return false;
    default:
        return false;
    }
}

// Shows the thumbnail's tooltip when it is at hand; otherwise asks for the
// thumbnail and lets the list show the path alone meanwhile.
bool ThumbnailToolTips::showToolTip(const QHelpEvent &help)
{
    const QModelIndex index = view_.indexAt(help.pos());
    if (!index.isValid())
        return false;
    const std::string path(model_.path(index.row()));
    if (!ThumbnailLoader::isPicture(path))
        return false;
    if (const QString text = toolTipWithThumbnail(index.row()); !text.isEmpty()) {
        QToolTip::showText(help.globalPos(), text, view_.viewport(), RowPlace(view_, index));
        return true;
    }
    if (loader_.cached(path))
        return false; // no picture in it: the path alone
    wantedRow_ = model_.rowId(index.row());
    wantedPath_ = path;
    wantedAt_ = help.globalPos();
    loader_.request(path);
    return false;
}

void ThumbnailToolTips::pointerMoved(const QPoint &at)
{
    if (wantedRow_ == 0)
        return;
    const QModelIndex index = view_.indexAt(at);
    if (!index.isValid() || model_.rowId(index.row()) != wantedRow_)
        forget();
}

void ThumbnailToolTips::forget()
{
    wantedRow_ = 0;
    wantedPath_.clear();
    loader_.cancel();
}

void ThumbnailToolTips::thumbnailReady(const QByteArray &path)
{
    if (wantedRow_ == 0 || path.toStdString() != wantedPath_)
        return;
    const int row = model_.rowWithId(wantedRow_);
    forget();
    if (row < 0 || !view_.isVisible())
        return;
    if (const QString text = toolTipWithThumbnail(row); !text.isEmpty()) {
        QToolTip::showText(wantedAt_, text, view_.viewport(), RowPlace(view_, model_.index(row, 0)));
    }
}
