// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "FolderListView.h"
#include "FileStatus.h"
#include "LocaleCompare.h"
#include "PlainToolTip.h"

#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QUrl>

namespace
{

constexpr int kPathRole = Qt::UserRole;

// The raw bytes of a folder on this machine that the address names; empty for
// anything else. No trailing separator, as the folder picker gives it.
QByteArray LocalFolderPath(const QUrl &url)
{
    if (!url.isLocalFile() || !(url.host().isEmpty() || url.host() == QLatin1String("localhost")))
        return {};
    QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    if (path.isEmpty() || StatPath(path.toStdString()).kind != FileKind::Directory)
        return {};
    return path;
}

} // namespace

FolderListView::FolderListView(QWidget *parent) : QTreeWidget(parent)
{
    setColumnCount(1);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setAcceptDrops(true);
    setTabKeyNavigation(false); // Tab leaves the list; the arrows move inside it
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

std::vector<QByteArray> FolderListView::droppedFolders(const QMimeData *data)
{
    std::vector<QByteArray> folders;
    if (!data || !data->hasUrls())
        return folders;
    for (const QUrl &url : data->urls())
        if (QByteArray path = LocalFolderPath(url); !path.isEmpty())
            folders.push_back(std::move(path));
    return folders;
}

// A drop is taken as a copy or a link: a move would let the file manager
// remove what it believes we took over.
Qt::DropAction FolderListView::offeredAction(const QDropEvent *event)
{
    if (event->possibleActions() & Qt::CopyAction)
        return Qt::CopyAction;
    if (event->possibleActions() & Qt::LinkAction)
        return Qt::LinkAction;
    return Qt::IgnoreAction;
}

void FolderListView::answerDrag(QDropEvent *event, bool holdsFolders)
{
    const Qt::DropAction action = holdsFolders ? offeredAction(event) : Qt::IgnoreAction;
    if (action == Qt::IgnoreAction) {
        event->ignore();
        return;
    }
    event->setDropAction(action);
    event->accept();
}

void FolderListView::dragEnterEvent(QDragEnterEvent *event)
{
    // Looked up once per drag, not at every move of the pointer.
    dragHoldsFolders_ = !droppedFolders(event->mimeData()).empty();
    answerDrag(event, dragHoldsFolders_);
}

void FolderListView::dragMoveEvent(QDragMoveEvent *event)
{
    answerDrag(event, dragHoldsFolders_);
}

void FolderListView::dropEvent(QDropEvent *event)
{
    const std::vector<QByteArray> folders = droppedFolders(event->mimeData());
    answerDrag(event, !folders.empty());
    if (!event->isAccepted())
        return;
    for (const QByteArray &folder : folders)
        appendFolder(folder);
}
