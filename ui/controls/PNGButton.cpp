// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/controls/PNGButton.h"

#include "ui/controls/PNGButtonAccessible.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleOptionButton>

namespace
{

constexpr int NewButtonSide = 23;

// A one-pixel 3D frame: top and left edges in one colour, bottom and right in
// the other, which also owns the top-right and bottom-left corners. Shrinks
// the rectangle by the frame.
void Frame3D(QPainter &painter, QRect &rect, const QColor &topLeft, const QColor &bottomRight)
{
    const int left = rect.left(), top = rect.top(), right = rect.right(), bottom = rect.bottom();
    painter.fillRect(QRect(QPoint(left, top), QPoint(right - 1, top)), topLeft);
    painter.fillRect(QRect(QPoint(left, top), QPoint(left, bottom - 1)), topLeft);
    painter.fillRect(QRect(QPoint(right, top), QPoint(right, bottom)), bottomRight);
    painter.fillRect(QRect(QPoint(left, bottom), QPoint(right, bottom)), bottomRight);
    rect.adjust(1, 1, -1, -1);
}

QPoint EventPoint(const QMouseEvent *event)
{
    return event->position().toPoint();
}

} // namespace

TPNGButton::TPNGButton(QWidget *parent) : QWidget(parent)
{
    resize(NewButtonSide, NewButtonSide);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    setAutoFillBackground(false);
    TPNGButtonAccessible::Register();
}

void TPNGButton::Click()
{
    if (isEnabled())
        emit clicked();
}

void TPNGButton::SetButtonLayout(TPNGButtonLayout layout)
{
    ButtonLayout_ = layout;
    update();
}

void TPNGButton::SetButtonStyle(TPNGButtonStyle style)
{
    ButtonStyle_ = style;
    update();
}

void TPNGButton::SetCaption(const QString &caption)
{
    Caption_ = caption;
    update();
}

QColor TPNGButton::FontColor() const
{
    return FontColor_.isValid() ? FontColor_ : palette().color(QPalette::Active, QPalette::ButtonText);
}

void TPNGButton::SetFontColor(const QColor &colour)
{
    FontColor_ = colour;
    update();
}

void TPNGButton::SetImageNormal(const TPNGObject &picture)
{
    ImageNormal_ = picture;
    BuildDisabledImage(ImageNormal_, ImageDisabled_);
    update();
}

void TPNGButton::SetImageDown(const TPNGObject &picture)
{
    ImageDown_ = picture;
    update();
}

void TPNGButton::SetImageOver(const TPNGObject &picture)
{
    ImageOver_ = picture;
    update();
}

bool TPNGButton::Pushed() const
{
    return ButtonState_ == TPNGButtonState::Down && MouseInside_;
}

const TPNGObject &TPNGButton::CurrentPicture() const
{
    if (Pushed() && !ImageDown_.Empty())
        return ImageDown_;
    if (MouseInside_ && !ImageOver_.Empty() && isEnabled())
        return ImageOver_;
    if (ButtonState_ == TPNGButtonState::Disabled && !ImageDisabled_.Empty())
        return ImageDisabled_;
    return ImageNormal_;
}

TPNGButtonGeometry TPNGButton::CurrentGeometry() const
{
    const TPNGObject &picture = CurrentPicture();
    int tw = 0, th = 0;
    if (!Caption_.isEmpty()) {
        const QFontMetrics metrics(font());
        tw = metrics.horizontalAdvance(Caption_);
        th = metrics.height();
    }
    return ComputePNGButtonLayout(width(), height(), picture.Width(), picture.Height(), tw, th, ButtonLayout_,
                                  Pushed());
}

void TPNGButton::SetButtonState(TPNGButtonState state)
{
    ButtonState_ = state;
    update();
}

QRect TPNGButton::DrawFrame(QPainter &painter) const
{
    QRect area = rect();
    const QColor highlight = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    switch (ButtonStyle_) {
    case pbsFlat:
        if (ButtonState_ == TPNGButtonState::Disabled)
            break;
        if (Pushed())
            Frame3D(painter, area, shadow, highlight);
        else if (MouseInside_ || ButtonState_ == TPNGButtonState::Down)
            Frame3D(painter, area, highlight, shadow);
        break;
    case pbsDefault: {
        QStyleOptionButton option;
        option.initFrom(this);
        option.rect = area;
        option.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver);
        option.state |= Pushed() ? QStyle::State_Sunken : QStyle::State_Raised;
        style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
        break;
    }
    case pbsNoFrame:
        break;
    }
    return area;
}

void TPNGButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setFont(font());
    const TPNGButtonGeometry geometry = CurrentGeometry();
    const QRect captionArea = DrawFrame(painter);
    CurrentPicture().Draw(painter, QPoint(geometry.ImageX, geometry.ImageY));
    if (Caption_.isEmpty())
        return;
    painter.setPen(ButtonState_ == TPNGButtonState::Disabled ? palette().color(QPalette::Disabled, QPalette::Text)
                                                             : FontColor());
    painter.setClipRect(captionArea);
    const QFontMetrics metrics(font());
    painter.drawText(QPoint(geometry.TextX, geometry.TextY + metrics.ascent()), Caption_);
}

void TPNGButton::PressWith(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && ButtonState_ == TPNGButtonState::Normal)
        SetButtonState(TPNGButtonState::Down);
    emit mouseDown(event->button(), event->modifiers(), EventPoint(event).x(), EventPoint(event).y());
}

void TPNGButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        LeftPressed_ = true;
    PressWith(event);
}

// The second press of a double click starts no click of its own.
void TPNGButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    QPointer<TPNGButton> alive(this);
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    if (alive)
        PressWith(event);
}

void TPNGButton::mouseReleaseEvent(QMouseEvent *event)
{
    QPointer<TPNGButton> alive(this);
    const QPoint at = EventPoint(event);
    const bool clickEnds = event->button() == Qt::LeftButton && LeftPressed_;
    if (event->button() == Qt::LeftButton)
        LeftPressed_ = false;
    if (clickEnds && rect().contains(at)) {
        if (ButtonState_ == TPNGButtonState::Down)
            SetButtonState(TPNGButtonState::Normal);
        emit clicked();
        if (!alive)
            return;
    }
    if (ButtonState_ == TPNGButtonState::Down)
        SetButtonState(TPNGButtonState::Normal);
    emit mouseUp(event->button(), event->modifiers(), at.x(), at.y());
}

void TPNGButton::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = EventPoint(event);
    const bool inside = rect().contains(at);
    if (event->buttons() != Qt::NoButton)
        PointerCrossed(inside);
    if (inside && !MouseInside_ && ButtonState_ != TPNGButtonState::Down) {
        MouseInside_ = true;
        update();
    }
    emit mouseMove(event->modifiers(), at.x(), at.y());
}

void TPNGButton::enterEvent(QEnterEvent *event)
{
    PointerCrossed(true);
    QWidget::enterEvent(event);
}

void TPNGButton::leaveEvent(QEvent *event)
{
    PointerCrossed(false);
    QWidget::leaveEvent(event);
}

void TPNGButton::PointerCrossed(bool inside)
{
    if (inside == PointerOver_)
        return;
    PointerOver_ = inside;
    if (inside)
        HandleMouseEnter();
    else
        HandleMouseExit();
}

void TPNGButton::HandleMouseEnter()
{
    if (!isEnabled())
        return;
    emit mouseEnter(this);
    MouseInside_ = true;
    update();
}

void TPNGButton::HandleMouseExit()
{
    if (!isEnabled())
        return;
    emit mouseExit(this);
    MouseInside_ = false;
    update();
}

void TPNGButton::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (isEnabled()) {
            SetButtonState(TPNGButtonState::Normal);
        } else {
            LeftPressed_ = false;
            BuildDisabledImage(ImageNormal_, ImageDisabled_);
            SetButtonState(TPNGButtonState::Disabled);
        }
    }
    QWidget::changeEvent(event);
}
