// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/ApplicationIdentity.h"
#include "ui/Version.h"

#include <QApplication>
#include <QIcon>

void SetUpApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Varnok"));
    QCoreApplication::setApplicationName(QStringLiteral("Varnok"));
    QCoreApplication::setApplicationVersion(QLatin1String(kVarnokVersion));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.example.varnok"));
    QIcon icon(QStringLiteral(":/pictures/app-icon-256.png"));
    icon.addFile(QStringLiteral(":/pictures/app-icon-48.png"));
    QApplication::setWindowIcon(icon);
}
