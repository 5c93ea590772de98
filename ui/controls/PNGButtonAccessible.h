// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// What a screen reader learns of an image button: a push button named by its
// caption that can be pressed and may be disabled.

#include <QAccessibleWidget>

class TPNGButton;

class TPNGButtonAccessible : public QAccessibleWidget
{
public:
    explicit TPNGButtonAccessible(TPNGButton *button);

    // Makes image buttons known to QAccessible; safe to call more than once.
    static void Register();

    QString text(QAccessible::Text kind) const override;
    QAccessible::State state() const override;
    QStringList actionNames() const override;
    void doAction(const QString &actionName) override;
    QStringList keyBindingsForAction(const QString &actionName) const override;

private:
    TPNGButton *Button() const;
};
