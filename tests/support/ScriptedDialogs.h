// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "ui/UserDialogs.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QThread>

#include <deque>
#include <functional>
#include <ostream>
#include <vector>

// Failed expectations show texts as texts.
inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

// Answers the windows' questions from a script and keeps what they showed.
class ScriptedDialogs : public UserDialogs
{
public:
    struct Box {
        QString text;
        QString caption;
    };
    std::deque<QByteArray> foldersToPick; // none left, or an empty one: cancelled
    std::deque<bool> answers;             // none left: the box was closed, which is No
    QStringList prompts;
    QStringList questions;
    QStringList notices;
    std::vector<Box> boxes;
    std::function<void()> onBox;

    QByteArray pickFolder(QWidget *, const QString &prompt) override
    {
        prompts << prompt;
        if (foldersToPick.empty())
            return {};
        QByteArray folder = foldersToPick.front();
        foldersToPick.pop_front();
        return folder;
    }
    void messageBox(QWidget *, const QString &text, const QString &caption) override
    {
        boxes.push_back({text, caption});
        if (onBox)
            onBox();
    }
    void information(QWidget *, const QString &text) override { notices << text; }
    bool confirm(QWidget *, const QString &text) override
    {
        questions << text;
        const bool yes = !answers.empty() && answers.front();
        if (!answers.empty())
            answers.pop_front();
        return yes;
    }
};

// Runs the event loop until done() holds; false after a minute without.
inline bool WaitUntil(const std::function<bool()> &done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 60000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}
