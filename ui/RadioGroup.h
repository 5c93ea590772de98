// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

// A captioned group of radio items with one selected index; clicked() fires
// when the user changes the selection.
class RadioGroup : public QGroupBox
{
    Q_OBJECT
public:
    RadioGroup(const QString &caption, const QStringList &items, QWidget *parent = nullptr);

    int itemIndex() const { return itemIndex_; }
    void setItemIndex(int index);
    QRadioButton *item(int index) const;

signals:
    void clicked();

private:
    void itemClicked(int index);

    QButtonGroup *buttons_;
    int itemIndex_ = 0;
};
