// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QString>

class QWidget;

// The modal questions and notices the windows put to the user. Tests replace
// it to answer without a person; the program uses QtUserDialogs.
class UserDialogs
{
public:
    virtual ~UserDialogs() = default;

    // Folder picker titled with the prompt; empty when the user cancels.
    // Returned as the local 8-bit bytes of the chosen path.
    virtual QByteArray pickFolder(QWidget *owner, const QString &prompt) = 0;
    // Plain message box with a caption of the program's own and one OK button.
    virtual void messageBox(QWidget *owner, const QString &text, const QString &caption) = 0;
    // Information-type notice: title "Information", information icon, OK.
    virtual void information(QWidget *owner, const QString &text) = 0;
    // Information-type confirmation with Yes and No; true only for Yes.
    virtual bool confirm(QWidget *owner, const QString &text) = 0;
};

class QtUserDialogs : public UserDialogs
{
public:
    QByteArray pickFolder(QWidget *owner, const QString &prompt) override;
    void messageBox(QWidget *owner, const QString &text, const QString &caption) override;
    void information(QWidget *owner, const QString &text) override;
    bool confirm(QWidget *owner, const QString &text) override;
};
