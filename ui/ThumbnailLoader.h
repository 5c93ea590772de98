// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/WorkerThreads.h"

#include <QByteArray>
#include <QObject>
#include <QSize>

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A small picture of an image file, ready for a tooltip.
struct Thumbnail {
    QByteArray png; // empty: the file gave no picture (not an image, broken, too big, unreadable)
    QSize size;
};

// Reads thumbnails of image files for the result list's tooltips, never on
// the window's thread: one read at a time, each on a thread of its own that
// the window never waits for, so a file on a share that stopped answering
// holds up no more than its own thumbnail (and the ones asked after it). The
// last few thumbnails are kept. Lives on the window's thread.
class ThumbnailLoader : public QObject
{
    Q_OBJECT
public:
    explicit ThumbnailLoader(QObject *parent = nullptr);
    ~ThumbnailLoader() override;

    // Whether the file's name says it is a picture that Qt's image readers take.
    static bool isPicture(std::string_view path);
    // The file's thumbnail when it was read already.
    std::optional<Thumbnail> cached(const std::string &path) const;
    // Reads the file's thumbnail now, or once the read in hand is done when
    // there is one, instead of any file asked for before.
    void request(const std::string &path);
    // No thumbnail is wanted any more: the one waiting is never read.
    void cancel() { waiting_.reset(); }
    bool reading() const { return !inHand_.empty(); }
    int readsStarted() const { return readsStarted_; }

    static constexpr int kSide = 256; // at most, either way
    // Larger files get no thumbnail: read whole, they would cost too much.
    static constexpr std::int64_t kLargestFile = std::int64_t(64) << 20;
    static constexpr std::size_t kKept = 32;

signals:
    // The file's thumbnail is in the cache now, with or without a picture.
    void ready(const QByteArray &path);

private:
    struct Read;
    static void work(Read &read) noexcept;
    void start(const std::string &path);
    void arrived(const std::string &path, const Thumbnail &thumbnail);

    std::deque<std::pair<std::string, Thumbnail>> cache_; // newest last
    std::string inHand_;                                  // the file being read; empty: none
    std::optional<std::string> waiting_;
    std::vector<LeavableThread> threads_; // of every read; a stuck one is left behind at the end
    int readsStarted_ = 0;
};
