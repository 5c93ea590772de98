// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/FileManagerItems.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>

void ShowItemInFileManager(const QDBusConnection &bus, const QUrl &file, QObject *context,
                           std::function<void(bool shown)> answered)
{
    if (!bus.isConnected()) {
        answered(false);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    // The files as addresses, and no start-up notification of our own.
    call << QStringList{QString::fromLatin1(file.toEncoded())} << QString();
    // The bus's own time-out: a file manager it starts for the call may take
    // a while, and answering early would open a second window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context, [watcher, answered = std::move(answered)] {
        watcher->deleteLater();
        answered(!watcher->isError());
    });
}
