// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/controls/PNGButtonAccessible.h"

#include "ui/controls/PNGButton.h"

#include <mutex>

namespace
{

QAccessibleInterface *MakeInterface(const QString &className, QObject *object)
{
    if (className != QLatin1String("TPNGButton"))
        return nullptr;
    auto *button = qobject_cast<TPNGButton *>(object);
    return button ? new TPNGButtonAccessible(button) : nullptr;
}

} // namespace

TPNGButtonAccessible::TPNGButtonAccessible(TPNGButton *button) : QAccessibleWidget(button, QAccessible::PushButton)
{
}

void TPNGButtonAccessible::Register()
{
    static std::once_flag registered;
    std::call_once(registered, [] { QAccessible::installFactory(MakeInterface); });
}

TPNGButton *TPNGButtonAccessible::Button() const
{
    return static_cast<TPNGButton *>(widget());
}

// A name given on purpose wins; otherwise the caption the user sees.
QString TPNGButtonAccessible::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Name && Button()->accessibleName().isEmpty())
        return Button()->Caption();
    return QAccessibleWidget::text(kind);
}

QAccessible::State TPNGButtonAccessible::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.pressed = Button()->ButtonState() == TPNGButtonState::Down;
    return state;
}

QStringList TPNGButtonAccessible::actionNames() const
{
    return {pressAction()};
}

void TPNGButtonAccessible::doAction(const QString &actionName)
{
    if (actionName == pressAction())
        Button()->Click();
}

// Mouse only: no key presses the button.
QStringList TPNGButtonAccessible::keyBindingsForAction(const QString &) const
{
    return {};
}
