// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QObject>
#include <QPoint>

#include <cstdint>
#include <string>

class QAbstractItemView;
class QHelpEvent;
class ResultModel;
class ThumbnailLoader;

// The result list's tooltips for pictures: a thumbnail above the path. The
// thumbnail is asked for when the tooltip is; until it is read the tooltip
// shows the path alone, and it is shown with the picture when the read comes
// back while the pointer still rests on that row. Once the pointer has left
// the row, its thumbnail is no longer wanted.
class ThumbnailToolTips : public QObject
{
    Q_OBJECT
public:
    ThumbnailToolTips(QAbstractItemView &view, const ResultModel &model, ThumbnailLoader &loader);

    // The tooltip's text with the file's thumbnail, when the thumbnail is at
    // hand and holds a picture; empty otherwise.
    QString toolTipWithThumbnail(int row) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool showToolTip(const QHelpEvent &help);
    void pointerMoved(const QPoint &at);
    void forget();
    void thumbnailReady(const QByteArray &path);

    QAbstractItemView &view_;
    const ResultModel &model_;
    ThumbnailLoader &loader_;
    std::uint64_t wantedRow_ = 0; // the row whose thumbnail the tooltip waits for; 0: none
    std::string wantedPath_;
    QPoint wantedAt_; // where the pointer rested, on the screen
};
