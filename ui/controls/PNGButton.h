// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
// TPNGButton: a mouse-only push button drawn from PNG pictures with an
// optional caption, painted over its parent (no native window, no focus).

#include "ui/controls/PNGButtonLayout.h"
#include "ui/controls/pngextra.h"

#include <QColor>
#include <QString>
#include <QWidget>

class TPNGButton : public QWidget
{
    Q_OBJECT

public:
    explicit TPNGButton(QWidget *parent = nullptr);

    TPNGButtonLayout ButtonLayout() const { return ButtonLayout_; }
    void SetButtonLayout(TPNGButtonLayout layout);
    TPNGButtonStyle ButtonStyle() const { return ButtonStyle_; }
    void SetButtonStyle(TPNGButtonStyle style);
    QString Caption() const { return Caption_; }
    void SetCaption(const QString &caption);
    // Caption colour while enabled; the palette's button text when unset.
    QColor FontColor() const;
    void SetFontColor(const QColor &colour);

    // Setting a picture copies it; the caller keeps its own.
    const TPNGObject &ImageNormal() const { return ImageNormal_; }
    void SetImageNormal(const TPNGObject &picture);
    const TPNGObject &ImageDown() const { return ImageDown_; }
    void SetImageDown(const TPNGObject &picture);
    const TPNGObject &ImageOver() const { return ImageOver_; }
    void SetImageOver(const TPNGObject &picture);
    const TPNGObject &ImageDisabled() const { return ImageDisabled_; }

    TPNGButtonState ButtonState() const { return ButtonState_; }
    bool MouseInside() const { return MouseInside_; }
    // What a finished left click does, for assistive tools: OnClick, unless disabled.
    void Click();

    // Where the current picture and caption go, as the next paint draws them.
    TPNGButtonGeometry CurrentGeometry() const;

signals:
    void clicked();
    void doubleClicked();
    void mouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void mouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
    void mouseMove(Qt::KeyboardModifiers modifiers, int x, int y);
    void mouseEnter(TPNGButton *sender);
    void mouseExit(TPNGButton *sender);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    bool Pushed() const;
    const TPNGObject &CurrentPicture() const;
    void SetButtonState(TPNGButtonState state);
    void PressWith(QMouseEvent *event);
    void PointerCrossed(bool inside);
    void HandleMouseEnter();
    void HandleMouseExit();
    QRect DrawFrame(QPainter &painter) const;

    TPNGButtonLayout ButtonLayout_ = pbsImageAbove;
    TPNGButtonStyle ButtonStyle_ = pbsDefault;
    TPNGButtonState ButtonState_ = TPNGButtonState::Normal;
    QString Caption_;
    QColor FontColor_;
    bool MouseInside_ = false;
    // The pointer is over the control as the enter and leave notifications
    // last said; Qt holds them back while a mouse button is down, so moves
    // during the capture report the crossings instead.
    bool PointerOver_ = false;
    bool LeftPressed_ = false;
    TPNGObject ImageNormal_;
    TPNGObject ImageDown_;
    TPNGObject ImageDisabled_;
    TPNGObject ImageOver_;
};
