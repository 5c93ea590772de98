#include "FolderListView.h"
#include "LocaleCompare.h"
#include "PlainToolTip.h"

#include <QHeaderView>

namespace {
constexpr int kPathRole = Qt::UserRole;
}

FolderListView::FolderListView(QWidget *parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    header()->setSectionsMovable(false);
    connect(this, &QTreeWidget::itemChanged, this, &FolderListView::takeEditedCaption);
}

void FolderListView::appendFolder(const QByteArray &path)
{
    auto *item = new QTreeWidgetItem;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(0, kPathRole, path);
    item->setText(0, LocaleCompare::toDisplay(std::string_view(path.constData(), std::size_t(path.size()))));
    item->setToolTip(0, PlainToolTip(item->text(0)));
    addTopLevelItem(item);
}

bool FolderListView::removeSelectedFolders()
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    if (selected.isEmpty())
        return false;
    qDeleteAll(selected);
    return true;
}

QByteArray FolderListView::folderAt(int row) const
{
    return topLevelItem(row)->data(0, kPathRole).toByteArray();
}

std::vector<std::string> FolderListView::folders() const
{
    std::vector<std::string> paths;
    paths.reserve(std::size_t(folderCount()));
    for (int row = 0; row < folderCount(); ++row) {
        const QByteArray path = folderAt(row);
        paths.emplace_back(path.constData(), std::size_t(path.size()));
    }
    return paths;
}

void FolderListView::takeEditedCaption(QTreeWidgetItem *item)
{
    // An untouched caption keeps the exact bytes; only a changed one is re-encoded.
    const QByteArray path = item->data(0, kPathRole).toByteArray();
    const QString shown = LocaleCompare::toDisplay(std::string_view(path.constData(), std::size_t(path.size())));
    if (item->text(0) != shown)
        item->setData(0, kPathRole, item->text(0).toLocal8Bit());
    const QString tip = PlainToolTip(item->text(0));
    if (item->toolTip(0) != tip) // setting it reports a change again
        item->setToolTip(0, tip);
}
