// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QPixmap>
#include <QString>

#include <vector>

class QLabel;
class QPushButton;
class QRect;
class QWidget;

// One named mask of the file-type list: what the user reads, and the masks
// that go into the filter text when the row is checked.
struct MaskRow {
    QString files;
    QString masks;
};

// The rows every run starts with, in their order.
const std::vector<MaskRow> &DefaultMaskRows();

// The pictures both mask dialogs are drawn with: the light-blue background
// gradient (4 x 91) and the separator strip (66 x 5), meant to be stretched.
// Empty, leaving the plain dialog colour, should a picture fail to decode.
QPixmap MaskDialogGradient();
QPixmap MaskDialogSeparator();
// A picture control: the pixmap stretched over the geometry. Made before the
// dialog's other controls so that it lies beneath them.
QLabel *AddMaskDialogPicture(QWidget *dialog, const QString &name, const QRect &geometry, const QPixmap &picture);
// A push button of either mask dialog; neither has a default button, so
// Enter presses nothing.
QPushButton *AddMaskDialogButton(QWidget *dialog, const char *name, const QString &caption, const QRect &geometry);
