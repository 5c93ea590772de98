// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QDBusConnection>
#include <QUrl>

#include <functional>

class QObject;

// Asks the desktop's file manager on the bus (the session's) to show the
// file in its folder, selected (org.freedesktop.FileManager1, ShowItems).
// Never waits for the answer: `answered` is called later on the caller's
// thread, while `context` lives, with whether a file manager took the
// request; at once with false when there is no bus.
void ShowItemInFileManager(const QDBusConnection &bus, const QUrl &file, QObject *context,
                           std::function<void(bool shown)> answered);
