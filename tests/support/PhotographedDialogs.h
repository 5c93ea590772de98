// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "tests/support/ScriptedDialogs.h"
#include "ui/Unit1.h"
#include "ui/UserDialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <utility>
#include <vector>

// The photographed windows need a real X server.
#define SKIP_UNLESS_X_SERVER()                                                                                         \
    if (QGuiApplication::platformName() != QLatin1String("xcb"))                                                       \
    GTEST_SKIP() << "needs an X server (run through xvfb-run)"

// Where the pictures go: $VARNOK_SCREENS_DIR, or the working folder.
inline QString ShotsFolder()
{
    const QString folder = qEnvironmentVariable("VARNOK_SCREENS_DIR", QDir::currentPath());
    QDir().mkpath(folder);
    return folder;
}

inline bool SaveShot(const QImage &image, const QString &name)
{
    return image.save(ShotsFolder() + "/" + name);
}

// The screen's pixels over the rectangle, windows of every kind included.
inline QImage Grab(const QRect &area)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The program's own boxes, each photographed and then answered: OK, and
// `confirmAnswer` to every question. A box is named `next` when that is set
// (each name serves one box), else `<prefix>-summary.png` or
// `<prefix>-confirmation.png`; with neither it is not photographed.
class PhotographedDialogs : public QtUserDialogs
{
public:
    std::deque<QByteArray> foldersToPick;
    QString prefix;
    QString next;
    QMessageBox::StandardButton confirmAnswer = QMessageBox::Yes;
    QStringList shots;
    int answered = 0;

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
        answerSoon("confirmation", confirmAnswer);
        return QtUserDialogs::confirm(owner, text);
    }

private:
    void answerSoon(const char *what, QMessageBox::StandardButton answer)
    {
        QString name = std::exchange(next, QString());
        if (name.isEmpty() && !prefix.isEmpty())
            name = prefix + "-" + what + ".png";
        QTimer::singleShot(500, [this, name, answer] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            if (!name.isEmpty() && SaveShot(box->grab().toImage(), name))
                shots << name;
            box->button(answer)->click();
            ++answered;
        });
    }
};

// The real window, shown with its boxes photographed: adds the folders with
// the Add button and presses Scan Now, as a person would; false when the
// window never showed or the scan never ended.
inline bool ShowAndScan(TForm1 &form, PhotographedDialogs &dialogs, const std::vector<std::string> &folders)
{
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return false;
    for (const std::string &folder : folders) {
        dialogs.foldersToPick.push_back(QByteArray::fromStdString(folder));
        QTest::mouseClick(form.findChild<QWidget *>("PNGButton13"), Qt::LeftButton);
    }
    QTest::mouseClick(form.findChild<QWidget *>("PNGButton10"), Qt::LeftButton);
    return WaitUntil([&] { return !form.scanRunning(); });
}
