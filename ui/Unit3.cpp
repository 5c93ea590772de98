// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/Unit3.h"

#include "ui/MaskDefaults.h"
#include "ui/Unit2.h"
#include "ui/WindowLook.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTreeWidget>

TForm3::TForm3(TForm2 &maskList) : QDialog(&maskList), maskList_(maskList)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Masks"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFont(WindowLook::DesktopSans(11));
    setFixedSize(409, 216);
    move(462, 229);

    Image1 = AddMaskDialogPicture(this, QStringLiteral("Image1"), rect(), MaskDialogGradient());
    LabeledEdit1 = addLabeledEdit("LabeledEdit1", QStringLiteral("Description:   "), QRect(104, 56, 265, 21));
    LabeledEdit2 = addLabeledEdit("LabeledEdit2", QStringLiteral("Masks:          "), QRect(104, 104, 265, 21));
    BitBtn1 = AddMaskDialogButton(this, "BitBtn1", QStringLiteral("OK"), QRect(104, 168, 75, 25));
    BitBtn2 = AddMaskDialogButton(this, "BitBtn2", QStringLiteral("Cancel"), QRect(224, 168, 75, 25));
    connect(BitBtn1, &QPushButton::clicked, this, &TForm3::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm3::BitBtn2Click);

    maskList.setEditor(this);
}

QLineEdit *TForm3::addLabeledEdit(const char *name, const QString &label, const QRect &geometry)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(geometry);
    // The caption stands to the left of its edit, 3 pixels off, centred on it.
    auto *caption = new QLabel(label, this);
    caption->setObjectName(QString::fromLatin1(name) + QStringLiteral("Label"));
    caption->setBuddy(edit);
    caption->adjustSize();
    caption->move(geometry.left() - 3 - caption->width(), geometry.top() + (geometry.height() - caption->height()) / 2);
    return edit;
}

void TForm3::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TForm3::FormShow()
{
    const QTreeWidgetItem *row = maskList_.EditMode ? maskList_.FirstSelectedRow() : nullptr;
    const MaskRow texts = row ? TForm2::RowTexts(row) : MaskRow{};
    LabeledEdit1->setText(texts.files);
    LabeledEdit2->setText(texts.masks);
}

void TForm3::BitBtn1Click()
{
    const MaskRow texts{LabeledEdit1->text(), LabeledEdit2->text()};
    if (!maskList_.EditMode)
        maskList_.AppendRow(texts);
    else if (QTreeWidgetItem *row = maskList_.FirstSelectedRow())
        TForm2::SetRowTexts(row, texts);
    accept();
}

void TForm3::BitBtn2Click()
{
    reject();
}
