// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/MaskDefaults.h"

#include "ui/controls/PNGError.h"
#include "ui/controls/pngextra.h"

#include <QLabel>
#include <QPushButton>
#include <QRect>

const std::vector<MaskRow> &DefaultMaskRows()
{
    static const std::vector<MaskRow> rows = {
        {QStringLiteral("All Files"), QStringLiteral("*.*")},
        {QStringLiteral("Adobe Acrobat Files"), QStringLiteral("*.PDF")},
        {QStringLiteral("JPG Files"), QStringLiteral("*.JPG;*.JPEG")},
        {QStringLiteral("MP3 Files"), QStringLiteral("*.MP3")},
        {QStringLiteral("TXT File"), QStringLiteral("*.TXT;*.RTF")},
        {QStringLiteral("Photo Images"),
         QStringLiteral("*.BMP;*.GIF;*.ICO;*.JNG;*.JPG;*.JPEG;*.JPE;*.JP2;*.JPC;*.J2K;*.PNG;*.TIF;*.TIFF;"
                        "*.EPS;*.CLP;*.CRW;*.CR2;*.DCX;*.EXR;*.KDC;*.PCX;*.PSD;*.RAW;*.SFW;*.WMF")},
        {QStringLiteral("Video Files"),
         QStringLiteral("*.3GP;*.SWF;*.FLA;*.FLV;*.MKV;*.MPEG;*.MPG;*.M1V;*.MP2;*.MPA;*.MPE;*.MOV;*.AVI;*.WMV;*.DIVX")},
        {QStringLiteral("Audio Files"),
         QStringLiteral("*.M4A;*.MP4;*.M4P;*.AAC;*.AIFF;*.APE;*.AU;*.FLAC;*.MID;*.MP3;*.OGG;*.RAW;*.WAV;*.WMA")},
        {QStringLiteral("Office Files"),
         QStringLiteral("*.MDB;*.ADP;*.MDA;*.MDE;*.ADE;*.XL;*.XLA;*.XLS*;*.XLT;*.XLM;*.XLC;*.XLW;*.PPS;*.PPT*;"
                        "*.DOC*;*.WRI")},
        {QStringLiteral("Web Files"), QStringLiteral("*.ASP;*.CSS;*.HTML;*.HTM;*.PHP;*.XHTML;*.JS")},
    };
    return rows;
}

namespace
{

QPixmap LoadPicture(const QString &resourcePath)
{
    try {
        return QPixmap::fromImage(TPNGObject::FromResource(resourcePath).ToImage());
    } catch (const EPNGError &) {
        return QPixmap(); // a missing picture costs the look, never the dialog
    }
}

} // namespace

QPixmap MaskDialogGradient()
{
    return LoadPicture(QStringLiteral(":/pictures/dialog-gradient.png"));
}

QPixmap MaskDialogSeparator()
{
    return LoadPicture(QStringLiteral(":/pictures/dialog-strip.png"));
}

QLabel *AddMaskDialogPicture(QWidget *dialog, const QString &name, const QRect &geometry, const QPixmap &picture)
{
    auto *label = new QLabel(dialog);
    label->setObjectName(name);
    label->setGeometry(geometry);
    label->setScaledContents(true);
    label->setPixmap(picture);
    return label;
}

QPushButton *AddMaskDialogButton(QWidget *dialog, const char *name, const QString &caption, const QRect &geometry)
{
    auto *button = new QPushButton(caption, dialog);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}
