// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/FileTypeIcons.h"
#include "platform/LocaleCompare.h"

#include <QFileIconProvider>

int FileTypeIcons::slotFor(std::string_view path)
{
    const QMimeType type = mimeDatabase_.mimeTypeForFile(LocaleCompare::toDisplay(path), QMimeDatabase::MatchExtension);
    const auto found = slotByMimeName_.constFind(type.name());
    if (found != slotByMimeName_.constEnd())
        return found.value();
    icons_.push_back(loadIcon(type));
    const int slot = int(icons_.size());
    slotByMimeName_.insert(type.name(), slot);
    return slot;
}

const QIcon &FileTypeIcons::icon(int slot) const
{
    return icons_.at(std::size_t(slot - 1));
}

QIcon FileTypeIcons::loadIcon(const QMimeType &type) const
{
    QIcon themed = QIcon::fromTheme(type.iconName());
    if (themed.isNull())
        themed = QIcon::fromTheme(type.genericIconName());
    if (themed.isNull())
        themed = QFileIconProvider().icon(QFileIconProvider::File);
    return themed;
}
