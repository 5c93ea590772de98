// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/UserDialogs.h"
#include "ui/FolderChooser.h"

#include <QFile>
#include <QMessageBox>

QByteArray QtUserDialogs::pickFolder(QWidget *owner, const QString &prompt)
{
    FolderChooser chooser(prompt, owner);
    if (chooser.exec() != QDialog::Accepted)
        return {};
    return QFile::encodeName(chooser.chosenFolder());
}

void QtUserDialogs::messageBox(QWidget *owner, const QString &text, const QString &caption)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
    box.exec();
}

void QtUserDialogs::information(QWidget *owner, const QString &text)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Ok, owner);
    box.exec();
}

bool QtUserDialogs::confirm(QWidget *owner, const QString &text)
{
    QMessageBox box(QMessageBox::Information, QStringLiteral("Information"), text, QMessageBox::Yes | QMessageBox::No,
                    owner);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
