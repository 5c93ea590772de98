// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// Feeds mouse input through the window system entry point, so Qt's own
// enter/leave dispatch and implicit mouse grab take part as with a real mouse.

#include <QCoreApplication>
#include <QWidget>
#include <QWindow>

QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow *window, const QPointF &local, const QPointF &global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers mods, int timestamp);
QT_END_NAMESPACE

class TMouseDriver
{
public:
    explicit TMouseDriver(QWidget *topLevel) : Top_(topLevel) { }

    // Points are in `widget`'s coordinates.
    void Move(QWidget *widget, QPoint at) { Send(widget, at, QEvent::MouseMove, Qt::NoButton); }
    void Press(QWidget *widget, QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        Buttons_ |= button;
        Send(widget, at, QEvent::MouseButtonPress, button);
    }
    void Release(QWidget *widget, QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        Buttons_ &= ~button;
        Send(widget, at, QEvent::MouseButtonRelease, button);
    }
    // Later presses at the same point within this many ms make a double click.
    void SetStep(int milliseconds) { Step_ = milliseconds; }

private:
    void Send(QWidget *widget, QPoint at, QEvent::Type type, Qt::MouseButton button)
    {
        QWindow *window = Top_->windowHandle();
        const QPoint global = widget->mapToGlobal(at);
        Timestamp_ += Step_;
        qt_handleMouseEvent(window, window->mapFromGlobal(global), global, Buttons_, button, type, Qt::NoModifier,
                            Timestamp_);
        QCoreApplication::processEvents();
    }

    QWidget *Top_;
    Qt::MouseButtons Buttons_;
    int Timestamp_ = 100000;
    int Step_ = 1000;
};
