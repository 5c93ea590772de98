// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/FolderListView.h"
#include "platform/FileStatus.h"
#include "platform/LocaleCompare.h"
#include "ui/PlainToolTip.h"
#include "ui/ProtectionTexts.h"
#include "ui/controls/pngextra.h"

#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QUrl>

#include <algorithm>

namespace
{

constexpr int kPathRole = Qt::UserRole;
constexpr int kProtectedRole = Qt::UserRole + 1;
// Small enough to fit the height of a row of text.
constexpr int kPadlockSide = 11;

// The padlock in both its resolutions, decoded as every picture of the window is.
QIcon PadlockIcon()
{
    QIcon icon;
    for (const char *name : {":/pictures/padlock.png", ":/pictures/padlock@2x.png"}) {
        QImage picture = TPNGObject::FromResource(QLatin1String(name)).ToImage();
        picture.setDevicePixelRatio(double(picture.width()) / kPadlockSide);
        icon.addPixmap(QPixmap::fromImage(picture));
    }
    return icon;
}

// Draws a protected row's padlock before its caption, within the row's own
// height: a decoration held by the item would make the style give every row
// more room, and the list would look otherwise than it does.
class PadlockDelegate : public QStyledItemDelegate
{
public:
    PadlockDelegate(QIcon padlock, QObject *parent) : QStyledItemDelegate(parent), padlock_(std::move(padlock)) { }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (!index.data(kProtectedRole).toBool()) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem shown = option;
        initStyleOption(&shown, index);
        shown.features |= QStyleOptionViewItem::HasDecoration;
        shown.icon = padlock_;
        shown.decorationSize = QSize(kPadlockSide, kPadlockSide);
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &shown, painter, widget);
    }

private:
    QIcon padlock_;
};

QString ToolTipFor(const QTreeWidgetItem *item)
{
    if (!item->data(0, kProtectedRole).toBool())
        return PlainToolTip(item->text(0));
    return PlainToolTip(item->text(0) + QLatin1Char('\n') + QString::fromLatin1(kProtectedFolderTip));
}

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
    setItemDelegate(new PadlockDelegate(PadlockIcon(), this));
    connect(this, &QTreeWidget::itemChanged, this, &FolderListView::takeEditedCaption);
}

void FolderListView::appendFolder(const QByteArray &path)
{
    auto *item = new QTreeWidgetItem;
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    item->setData(0, kPathRole, path);
    item->setText(0, LocaleCompare::toDisplay(std::string_view(path.constData(), std::size_t(path.size()))));
    item->setToolTip(0, ToolTipFor(item));
    addTopLevelItem(item);
}

bool FolderListView::removeSelectedFolders()
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    if (selected.isEmpty())
        return false;
    const bool protectionGoes = anyProtected(selected);
    qDeleteAll(selected);
    if (protectionGoes)
        emit protectionChanged();
    return true;
}

void FolderListView::clearFolders()
{
    QList<QTreeWidgetItem *> all;
    for (int row = 0; row < folderCount(); ++row)
        all.append(topLevelItem(row));
    const bool protectionGoes = anyProtected(all);
    clear();
    if (protectionGoes)
        emit protectionChanged();
}

bool FolderListView::anyProtected(const QList<QTreeWidgetItem *> &items) const
{
    return std::any_of(items.begin(), items.end(),
                       [](const QTreeWidgetItem *item) { return item->data(0, kProtectedRole).toBool(); });
}

std::vector<int> FolderListView::selectedRows() const
{
    std::vector<int> rows;
    for (const QTreeWidgetItem *item : selectedItems())
        rows.push_back(indexOfTopLevelItem(const_cast<QTreeWidgetItem *>(item)));
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool FolderListView::isFolderProtected(int row) const
{
    return topLevelItem(row)->data(0, kProtectedRole).toBool();
}

void FolderListView::setFoldersProtected(const std::vector<int> &rows, bool protect)
{
    bool changed = false;
    for (int row : rows) {
        QTreeWidgetItem *item = topLevelItem(row);
        if (!item || item->data(0, kProtectedRole).toBool() == protect)
            continue;
        changed = true;
        item->setData(0, kProtectedRole, protect); // shown by takeEditedCaption, which every change reaches
    }
    if (changed)
        emit protectionChanged();
}

std::vector<std::string> FolderListView::protectedFolders() const
{
    std::vector<std::string> paths;
    for (int row = 0; row < folderCount(); ++row)
        if (isFolderProtected(row)) {
            const QByteArray path = folderAt(row);
            paths.emplace_back(path.constData(), std::size_t(path.size()));
        }
    return paths;
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
    const bool pathChanged = item->text(0) != shown;
    if (pathChanged)
        item->setData(0, kPathRole, item->text(0).toLocal8Bit());
    showProtection(item);
    if (pathChanged && item->data(0, kProtectedRole).toBool())
        emit protectionChanged(); // the protection follows the row to its new path
}

// The padlock is the delegate's to draw. Setting the tooltip reports a change
// again: it is set only when it differs.
void FolderListView::showProtection(QTreeWidgetItem *item)
{
    const QString tip = ToolTipFor(item);
    if (item->toolTip(0) != tip)
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
