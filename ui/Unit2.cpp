// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/Unit2.h"

#include "ui/UserDialogs.h"
#include "ui/WindowLook.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeWidget>

#include <functional>

namespace
{

const QString kSelectFirst = QStringLiteral("Please click to select a line first!");

} // namespace

// The mask list. The view toggles a check box when the button comes up over
// it, so the list reports clicks after its own handling of the release; a
// double click is reported wherever it lands, rows or not.
class MaskListView : public QTreeWidget
{
public:
    using ClickHandler = std::function<void(QMouseEvent *)>;

    explicit MaskListView(QWidget *parent) : QTreeWidget(parent) { }

    ClickHandler afterClick;
    std::function<void()> onDoubleClick;

    // Whether the point, in viewport coordinates, lies on a row's check box.
    bool isOnCheckBox(const QPoint &pos) const
    {
        const QModelIndex index = indexAt(pos);
        if (!index.isValid() || index.column() != 0)
            return false;
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = visualRect(index);
        option.index = index;
        option.features |= QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.checkState = index.data(Qt::CheckStateRole).value<Qt::CheckState>();
        option.text = index.data(Qt::DisplayRole).toString();
        return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, this).contains(pos);
    }

    // Rows come into view vertically only: a click on the masks would
    // otherwise slide the check boxes out of sight.
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override
    {
        const int keep = horizontalScrollBar()->value();
        QTreeWidget::scrollTo(index, hint);
        horizontalScrollBar()->setValue(keep);
    }

protected:
    // Space toggles the current row's check box whichever column holds the
    // focus; the box itself lives in the first column.
    void keyPressEvent(QKeyEvent *event) override
    {
        const bool toggles = event->key() == Qt::Key_Space || event->key() == Qt::Key_Select;
        if (toggles && currentIndex().isValid() && currentIndex().column() != 0)
            selectionModel()->setCurrentIndex(currentIndex().siblingAtColumn(0), QItemSelectionModel::NoUpdate);
        QTreeWidget::keyPressEvent(event);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QTreeWidget::mouseReleaseEvent(event);
        if (afterClick)
            afterClick(event);
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        QTreeWidget::mouseDoubleClickEvent(event);
        if (event->button() == Qt::LeftButton && onDoubleClick)
            onDoubleClick();
    }
};

TForm2::TForm2(UserDialogs &dialogs, QWidget *parent) : QDialog(parent), dialogs_(dialogs)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("File Masks"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFont(WindowLook::DesktopSans(11));
    setFixedSize(655, 328);
    move(372, 173);
    createControls();
    createPopupMenu();
    for (const MaskRow &row : DefaultMaskRows())
        AppendRow(row);
}

void TForm2::createControls()
{
    Image1 = AddMaskDialogPicture(this, QStringLiteral("Image1"), rect(), MaskDialogGradient());
    Image5 = AddMaskDialogPicture(this, QStringLiteral("Image5"), QRect(-1, 256, 706, 5), MaskDialogSeparator());

    list_ = new MaskListView(this);
    ListView1 = list_;
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(0, 0, 529, 241);
    ListView1->setColumnCount(2);
    ListView1->setHeaderLabels({QStringLiteral("Files"), QStringLiteral("Masks")});
    ListView1->header()->setStretchLastSection(false);
    ListView1->setColumnWidth(0, 150);
    ListView1->setColumnWidth(1, 400);
    ListView1->setRootIsDecorated(false);
    ListView1->setItemsExpandable(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->afterClick = [this](QMouseEvent *event) {
        const QPoint pos = event->position().toPoint();
        ListView1MouseDown(event->button(), event->modifiers(), pos.x(), pos.y());
    };
    list_->onDoubleClick = [this] { ListView1DblClick(); };

    BitBtn3 = AddMaskDialogButton(this, "BitBtn3", QStringLiteral("Edit"), QRect(560, 48, 75, 25));
    BitBtn2 = AddMaskDialogButton(this, "BitBtn2", QStringLiteral("Add"), QRect(560, 104, 75, 25));
    BitBtn1 = AddMaskDialogButton(this, "BitBtn1", QStringLiteral("Remove"), QRect(560, 168, 75, 25));
    Button1 = AddMaskDialogButton(this, "Button1", QStringLiteral("OK"), QRect(328, 280, 75, 25));
    connect(BitBtn3, &QPushButton::clicked, this, &TForm2::BitBtn3Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm2::BitBtn2Click);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
}

void TForm2::createPopupMenu()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    connect(PopupMenu1->addAction(QStringLiteral("Edit")), &QAction::triggered, this, &TForm2::BitBtn3Click);
    connect(PopupMenu1->addAction(QStringLiteral("Add")), &QAction::triggered, this, &TForm2::BitBtn2Click);
    connect(PopupMenu1->addAction(QStringLiteral("Remove")), &QAction::triggered, this, &TForm2::BitBtn1Click);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(ListView1->viewport()->mapToGlobal(pos)); });
}

void TForm2::setFilterEdit(QLineEdit *edit)
{
    filterEdit_ = edit;
}

void TForm2::setEditor(QDialog *editor)
{
    editor_ = editor;
}

QString TForm2::FilterText() const
{
    QString text;
    for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = ListView1->topLevelItem(row);
        if (item->checkState(0) != Qt::Checked)
            continue;
        QString masks = RowTexts(item).masks;
        if (!masks.endsWith(QLatin1Char(';')))
            masks += QLatin1Char(';');
        text += masks;
    }
    return text;
}

QTreeWidgetItem *TForm2::FirstSelectedRow() const
{
    for (int row = 0; row < ListView1->topLevelItemCount(); ++row)
        if (ListView1->topLevelItem(row)->isSelected())
            return ListView1->topLevelItem(row);
    return nullptr;
}

void TForm2::AppendRow(const MaskRow &row)
{
    auto *item = new QTreeWidgetItem();
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren);
    item->setCheckState(0, Qt::Unchecked);
    SetRowTexts(item, row);
    ListView1->addTopLevelItem(item);
}

void TForm2::SetRowTexts(QTreeWidgetItem *item, const MaskRow &row)
{
    item->setText(0, row.files);
    item->setText(1, row.masks);
}

MaskRow TForm2::RowTexts(const QTreeWidgetItem *item)
{
    return {item->text(0), item->text(1)};
}

void TForm2::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) // not when the window system merely restores it
        FormShow();
}

void TForm2::FormShow()
{
    if (ListView1->topLevelItemCount() == 0)
        return;
    setCheckMark(0, true);
    uncheckAllBut(0);
    EditMode = false;
}

void TForm2::ListView1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y)
{
    const QPoint pos(x, y);
    QTreeWidgetItem *item = ListView1->itemAt(pos);
    if (button != Qt::LeftButton || !item || !list_->isOnCheckBox(pos))
        return;
    if (item->checkState(0) != Qt::Checked)
        return; // unchecking a row leaves the others alone
    const int row = ListView1->indexOfTopLevelItem(item);
    if (row == 0)
        uncheckAllBut(0);
    else
        setCheckMark(0, false);
}

void TForm2::ListView1DblClick()
{
    BitBtn3Click();
}

void TForm2::Button1Click()
{
    if (filterEdit_)
        filterEdit_->setText(FilterText());
    accept();
}

void TForm2::BitBtn3Click()
{
    if (haveSelection())
        showEditor(true);
}

void TForm2::BitBtn2Click()
{
    showEditor(false);
}

void TForm2::BitBtn1Click()
{
    if (!haveSelection())
        return;
    for (int row = ListView1->topLevelItemCount() - 1; row >= 0; --row)
        if (ListView1->topLevelItem(row)->isSelected())
            delete ListView1->takeTopLevelItem(row);
}

bool TForm2::haveSelection()
{
    if (FirstSelectedRow())
        return true;
    dialogs_.information(this, kSelectFirst);
    return false;
}

void TForm2::setCheckMark(int row, bool checked)
{
    ListView1->topLevelItem(row)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void TForm2::uncheckAllBut(int row)
{
    for (int other = 0; other < ListView1->topLevelItemCount(); ++other)
        if (other != row)
            setCheckMark(other, false);
}

void TForm2::showEditor(bool editMode)
{
    EditMode = editMode;
    if (editor_)
        editor_->exec();
}
