// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/TImage.h"

#include <QPainter>

TImage::TImage(QWidget *parent) : QWidget(parent)
{
    // Pictures only decorate: clicks go to whatever lies beneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TImage::SetPicture(const TPNGObject &picture)
{
    Picture_ = picture;
    update();
}

void TImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Picture_.StretchDraw(painter, rect());
}
