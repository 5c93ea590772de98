// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/ThumbnailLoader.h"
#include "platform/OpenedFile.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <set>

namespace
{

// The file's bytes, or none when it cannot be read or holds `limit` or more.
// Read here, with no lock of Qt's held: the image readers probe a file under
// a lock that every picture of the program needs, so a read of theirs that
// hangs on a share would freeze the window's drawing too.
QByteArray ReadWhole(const std::string &path, std::int64_t limit)
{
    OpenedFile file; // raw bytes of the name, no link followed, no FIFO waited on
    if (!file.open(path))
        return {};
    QByteArray bytes;
    constexpr qsizetype kChunk = 1 << 20;
    for (qsizetype size = 0;;) {
        if (size >= limit)
            return {};
        bytes.resize(size + kChunk);
        const long n = file.readAt(size, bytes.data() + size, std::size_t(kChunk));
        if (n < 0)
            return {};
        if (n == 0) {
            bytes.resize(size);
            return bytes;
        }
        size += n;
    }
}

// The picture at most `side` pixels either way; a null image when the bytes
// give none. A large JPEG is decoded at the smaller size at once; other kinds
// are decoded whole, within the readers' own limit on memory.
QImage DecodeScaled(const QByteArray &bytes, int side)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize full = reader.size();
    if (full.isValid() && (full.width() > side || full.height() > side))
        reader.setScaledSize(full.scaled(side, side, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (!image.isNull() && (image.width() > side || image.height() > side))
        image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

Thumbnail MakeThumbnail(const std::string &path)
{
    const QImage image = DecodeScaled(ReadWhole(path, ThumbnailLoader::kLargestFile), ThumbnailLoader::kSide);
    Thumbnail thumbnail;
    if (image.isNull())
        return thumbnail;
    QBuffer buffer(&thumbnail.png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        thumbnail.png.clear();
    thumbnail.size = image.size();
    return thumbnail;
}

} // namespace

// One read, shared by the loader and its thread.
struct ThumbnailLoader::Read {
    std::string path;
    ThumbnailLoader *receiver = nullptr;
    CallGate *gate = nullptr; // closed when the loader goes
};

ThumbnailLoader::ThumbnailLoader(QObject *parent) : QObject(parent)
{
}

// A read still in hand may be stuck: it is left to end alone, unheard.
ThumbnailLoader::~ThumbnailLoader()
{
    for (LeavableThread &thread : threads_)
        if (!thread.ended())
            thread.leave();
}

bool ThumbnailLoader::isPicture(std::string_view path)
{
    static const std::set<std::string, std::less<>> formats = [] {
        std::set<std::string, std::less<>> names;
        for (const QByteArray &format : QImageReader::supportedImageFormats())
            names.insert(format.toLower().toStdString());
        return names;
    }();
    const std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos)
        return false;
    std::string suffix(path.substr(dot + 1));
    std::transform(suffix.begin(), suffix.end(), suffix.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return formats.count(suffix) > 0;
}

std::optional<Thumbnail> ThumbnailLoader::cached(const std::string &path) const
{
    for (const auto &[file, thumbnail] : cache_)
        if (file == path)
            return thumbnail;
    return std::nullopt;
}

void ThumbnailLoader::request(const std::string &path)
{
    if (path == inHand_ || cached(path))
        return;
    if (reading())
        waiting_ = path;
    else
        start(path);
}

void ThumbnailLoader::start(const std::string &path)
{
    inHand_ = path;
    ++readsStarted_;
    std::erase_if(threads_, [](const LeavableThread &old) { return old.ended(); });
    auto read = std::make_shared<Read>();
    read->path = path;
    read->receiver = this;
    threads_.emplace_back();
    read->gate = &threads_.back().gate();
    threads_.back().start(read, &ThumbnailLoader::work);
}

// No thumbnail is a fine answer, and memory running out gives that too; the
// loader always hears back, so that it reads again.
void ThumbnailLoader::work(Read &read) noexcept
{
    Thumbnail thumbnail;
    try {
        thumbnail = MakeThumbnail(read.path);
    } catch (...) {
        thumbnail = {};
    }
    try {
        read.gate->pass([&] {
            QMetaObject::invokeMethod(
                read.receiver,
                [to = read.receiver, path = read.path, thumbnail = std::move(thumbnail)] {
                    to->arrived(path, thumbnail);
                },
                Qt::QueuedConnection);
        });
    } catch (...) {
        // Not even the answer could be sent: this loader reads no more.
    }
}

void ThumbnailLoader::arrived(const std::string &path, const Thumbnail &thumbnail)
{
    cache_.emplace_back(path, thumbnail);
    if (cache_.size() > kKept)
        cache_.pop_front();
    inHand_.clear();
    emit ready(QByteArray::fromStdString(path));
    if (waiting_) {
        const std::string next = std::move(*waiting_);
        waiting_.reset();
        request(next);
    }
}
