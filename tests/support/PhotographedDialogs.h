// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "ui/UserDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include <deque>

// The program's own boxes, each photographed and then answered.
class PhotographedDialogs : public QtUserDialogs
{
public:
    std::deque<QByteArray> foldersToPick;
    QString prefix;
    QStringList shots;

    QByteArray pickFolder(QWidget *, const QString &) override
    {
        QByteArray folder = foldersToPick.front();
        foldersToPick.pop_front();
        return folder;
    }
    void messageBox(QWidget *owner, const QString &text, const QString &caption) override
    {
        answerSoon("summary", QMessageBox::Ok);
        QtUserDialogs::messageBox(owner, text, caption);
    }
    bool confirm(QWidget *owner, const QString &text) override
    {
        answerSoon("confirmation", QMessageBox::Yes);
        return QtUserDialogs::confirm(owner, text);
    }

private:
    void answerSoon(const char *what, QMessageBox::StandardButton answer)
    {
        const QString name = prefix + "-" + what + ".png";
        QTimer::singleShot(500, [this, name, answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            const QString folder = qEnvironmentVariable("VARNOK_SCREENS_DIR", QDir::currentPath());
            QDir().mkpath(folder);
            if (box->grab().save(folder + "/" + name))
                shots << name;
            box->button(answer)->click();
        });
    }
};
