// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "ui/controls/pngextra.h"

#include <QWidget>

// A picture control: shows one PNG picture stretched over its whole rectangle,
// blended by the picture's opacity over whatever lies beneath.
class TImage : public QWidget
{
    Q_OBJECT
public:
    explicit TImage(QWidget *parent = nullptr);

    const TPNGObject &Picture() const { return Picture_; }
    // Copies the picture; the caller keeps its own.
    void SetPicture(const TPNGObject &picture);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TPNGObject Picture_;
};
