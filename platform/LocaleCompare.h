// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QCollator>
#include <QString>
#include <string_view>

// Case-insensitive ordering of paths under the user's locale. Raw bytes break
// ties, so two different paths never compare equal and every sort is total.
class LocaleCompare
{
public:
    LocaleCompare();
    int compare(std::string_view a, std::string_view b) const;
    // The same on texts already converted for display; no byte tie-break.
    int compareDisplay(const QString &a, const QString &b) const;

    // Paths are raw bytes; the user's locale decides how they read.
    static QString toDisplay(std::string_view path);

private:
    QCollator collator_;
    bool plain_; // the C locale: no collation rules, just case folding
};
