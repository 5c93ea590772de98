#pragma once
#include <QCollator>
#include <QCollatorSortKey>
#include <string_view>

// Case-insensitive ordering of paths under the user's locale. Raw bytes break
// ties, so two different paths never compare equal and every sort is total.
class LocaleCompare {
public:
    LocaleCompare();
    int compare(std::string_view a, std::string_view b) const;
    bool less(std::string_view a, std::string_view b) const { return compare(a, b) < 0; }
    QCollatorSortKey sortKey(std::string_view path) const;

    // Paths are raw bytes; the user's locale decides how they read.
    static QString toDisplay(std::string_view path);

private:
    QCollator collator_;
};
