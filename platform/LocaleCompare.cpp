#include "LocaleCompare.h"

#include <QLocale>

LocaleCompare::LocaleCompare()
    : collator_(QLocale::system())
{
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
}

QString LocaleCompare::toDisplay(std::string_view path)
{
    return QString::fromLocal8Bit(path.data(), qsizetype(path.size()));
}

int LocaleCompare::compare(std::string_view a, std::string_view b) const
{
    if (a == b)
        return 0;
    int c = collator_.compare(toDisplay(a), toDisplay(b));
    if (c != 0)
        return c < 0 ? -1 : 1;
    return a < b ? -1 : 1;
}

QCollatorSortKey LocaleCompare::sortKey(std::string_view path) const
{
    return collator_.sortKey(toDisplay(path));
}
