// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TForm2;

// "Masks": the description and the mask text of one row of the mask list,
// to change the selected row (the list's EditMode) or to add a new one.
// Lives on top of its list and attaches itself to it as its editor.
class TForm3 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm3(TForm2 &maskList);

    QLabel *Image1 = nullptr;
    QLineEdit *LabeledEdit1 = nullptr; // description
    QLineEdit *LabeledEdit2 = nullptr; // masks
    QPushButton *BitBtn1 = nullptr;    // OK
    QPushButton *BitBtn2 = nullptr;    // Cancel

    void FormShow();
    void BitBtn1Click();
    void BitBtn2Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    QLineEdit *addLabeledEdit(const char *name, const QString &label, const QRect &geometry);

    TForm2 &maskList_;
};
