// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QHash>
#include <QIcon>
#include <QMimeDatabase>
#include <QString>

#include <string_view>
#include <vector>

// Small icons by file type, looked up by name only (no file is opened) and
// kept once per MIME type, so a million rows share a handful of icons.
class FileTypeIcons
{
public:
    // A small number naming the icon of a path's type; never 0.
    int slotFor(std::string_view path);
    const QIcon &icon(int slot) const;

private:
    QIcon loadIcon(const QMimeType &type) const;

    QMimeDatabase mimeDatabase_;
    QHash<QString, int> slotByMimeName_;
    std::vector<QIcon> icons_; // slot k lives at k - 1
};
