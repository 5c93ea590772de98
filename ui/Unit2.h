// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "ui/MaskDefaults.h"

#include <QDialog>
#include <QPointer>

class MaskListView;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class UserDialogs;

// "File Masks": the named extension masks with a check box on each row. Its
// OK joins the masks of the checked rows into the filter text of the main
// window's filter edit. Made once at start-up and only hidden when closed, so
// the rows the user edits last for the whole run (they are never saved).
class TForm2 : public QDialog
{
    Q_OBJECT
public:
    explicit TForm2(UserDialogs &dialogs, QWidget *parent = nullptr);

    // The edit whose text OK replaces; without one OK only closes.
    void setFilterEdit(QLineEdit *edit);
    // The mask editor that Edit and Add open (TForm3 attaches itself). Held
    // as a plain dialog: the editor knows its list, the list only opens it.
    void setEditor(QDialog *editor);

    // True while the editor is to change the selected row, false while it is
    // to add a new one.
    bool EditMode = false;

    QLabel *Image1 = nullptr;
    QLabel *Image5 = nullptr;
    QTreeWidget *ListView1 = nullptr;
    QPushButton *BitBtn3 = nullptr; // Edit
    QPushButton *BitBtn2 = nullptr; // Add
    QPushButton *BitBtn1 = nullptr; // Remove
    QPushButton *Button1 = nullptr; // OK
    QMenu *PopupMenu1 = nullptr;    // Edit, Add, Remove on the list

    // The masks of the checked rows in list order, each ended by ";".
    QString FilterText() const;
    // The first selected row in index order, or null.
    QTreeWidgetItem *FirstSelectedRow() const;
    // Appends an unchecked, unselected row.
    void AppendRow(const MaskRow &row);
    static void SetRowTexts(QTreeWidgetItem *item, const MaskRow &row);
    static MaskRow RowTexts(const QTreeWidgetItem *item);

    void FormShow();
    // A mouse click in the list, after the list has toggled any check box
    // under it: keeps the first row's check mark exclusive.
    void ListView1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void ListView1DblClick();
    void Button1Click();
    void BitBtn3Click();
    void BitBtn2Click();
    void BitBtn1Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    void createPopupMenu();
    // False, after telling the user, when no row is selected.
    bool haveSelection();
    void setCheckMark(int row, bool checked);
    void uncheckAllBut(int row);
    void showEditor(bool editMode);

    UserDialogs &dialogs_;
    MaskListView *list_ = nullptr;
    QPointer<QLineEdit> filterEdit_;
    QPointer<QDialog> editor_;
};
