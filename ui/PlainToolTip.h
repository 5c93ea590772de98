// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QString>

// A tooltip that shows the text exactly: a file name such as "<b>.txt" would
// otherwise be taken for markup.
QString PlainToolTip(const QString &text);
