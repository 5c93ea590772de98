// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "platform/LocaleCompare.h"

#include <QLocale>

LocaleCompare::LocaleCompare() : collator_(QLocale::system()), plain_(QLocale::system().language() == QLocale::C)
{
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

QString LocaleCompare::toDisplay(std::string_view path)
{
    return QString::fromLocal8Bit(path.data(), qsizetype(path.size()));
}

int LocaleCompare::compareDisplay(const QString &a, const QString &b) const
{
    const int c = plain_ ? QString::compare(a, b, Qt::CaseInsensitive) : collator_.compare(a, b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int LocaleCompare::compare(std::string_view a, std::string_view b) const
{
    if (a == b)
        return 0;
    if (const int c = compareDisplay(toDisplay(a), toDisplay(b)))
        return c;
    return a < b ? -1 : 1;
}
