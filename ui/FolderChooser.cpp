// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/FolderChooser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>

namespace
{
constexpr int kPlacePathRole = Qt::UserRole;
}

FolderChooser::FolderChooser(const QString &prompt, QWidget *parent)
    : QDialog(parent), model_(new QFileSystemModel(this)), tree_(new QTreeView(this)), places_(new QListWidget(this)),
      path_(new QLineEdit(this)), buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setObjectName(QStringLiteral("FolderChooser"));
    setWindowTitle(prompt);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model_->setReadOnly(true);
    model_->setRootPath(QDir::rootPath());

    tree_->setObjectName(QStringLiteral("FolderTree"));
    tree_->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        tree_->hideColumn(column);
    tree_->setHeaderHidden(true);
    tree_->expand(model_->index(QDir::rootPath()));
    // The folder field follows the folder the user picks, not the row the
    // view makes current on its own when it first takes the focus.
    connect(tree_->selectionModel(), &QItemSelectionModel::selectionChanged, this, &FolderChooser::treeMoved);
    // Rows that come in or get sorted above the folder push it out of view.
    connect(model_, &QFileSystemModel::directoryLoaded, this, &FolderChooser::revealLater);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &FolderChooser::revealLater);
    connect(model_, &QAbstractItemModel::layoutChanged, this, &FolderChooser::revealLater);
    // Once the user scrolls or picks a row, the view is theirs.
    connect(tree_, &QAbstractItemView::pressed, this, &FolderChooser::stopRevealing);
    connect(tree_->verticalScrollBar(), &QAbstractSlider::actionTriggered, this, &FolderChooser::stopRevealing);

    buildPlaces();
    path_->setObjectName(QStringLiteral("FolderPath"));
    connect(path_, &QLineEdit::textChanged, this, &FolderChooser::pathEdited);
    connect(path_, &QLineEdit::textEdited, this, &FolderChooser::stopRevealing);
    connect(buttons_, &QDialogButtonBox::accepted, this, &FolderChooser::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &FolderChooser::reject);

    auto *layout = new QGridLayout(this);
    layout->addWidget(places_, 0, 0);
    layout->addWidget(tree_, 0, 1);
    auto *label = new QLabel(QStringLiteral("&Folder:"), this);
    label->setBuddy(path_);
    layout->addWidget(label, 1, 0);
    layout->addWidget(path_, 1, 1);
    layout->addWidget(buttons_, 2, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    resize(560, 420);
    pathEdited();
    // It opens at the home folder with nothing chosen: Enter adds nothing
    // until a folder is picked or typed.
    openAt(QDir::homePath());
    path_->setFocus();
}

void FolderChooser::buildPlaces()
{
    places_->setObjectName(QStringLiteral("Places"));
    const std::pair<QStyle::StandardPixmap, QString> places[]
        = {{QStyle::SP_DriveHDIcon, QDir::rootPath()}, {QStyle::SP_DirHomeIcon, QDir::homePath()}};
    const QString names[] = {QStringLiteral("File System"), QStringLiteral("Home")};
    for (int i = 0; i < 2; ++i) {
        auto *item = new QListWidgetItem(style()->standardIcon(places[i].first), names[i], places_);
        item->setData(kPlacePathRole, places[i].second);
        item->setToolTip(places[i].second);
    }
    places_->setMaximumWidth(places_->sizeHintForColumn(0) + 2 * places_->frameWidth() + 8);
    connect(places_, &QListWidget::itemClicked, this, &FolderChooser::placeClicked);
}

void FolderChooser::placeClicked(QListWidgetItem *item)
{
    showFolder(item->data(kPlacePathRole).toString());
}

void FolderChooser::showFolder(const QString &path)
{
    revealing_ = folderIn(path);
    choosing_ = true;
    reveal();
    path_->setText(folderIn(path));
}

void FolderChooser::openAt(const QString &path)
{
    revealing_ = folderIn(path);
    choosing_ = false;
    reveal();
}

void FolderChooser::reveal()
{
    revealQueued_ = false;
    const QModelIndex folder = model_->index(revealing_);
    if (revealing_.isEmpty() || !folder.isValid())
        return;
    for (QModelIndex above = folder; above.isValid(); above = above.parent())
        tree_->expand(above);
    // Only a chosen folder is selected; the one the chooser opens at is
    // where the arrow keys start.
    tree_->selectionModel()->setCurrentIndex(
        folder, choosing_ ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate);
    tree_->scrollTo(folder, QAbstractItemView::PositionAtCenter);
}

// Once per burst of model changes, after the view has taken them in.
void FolderChooser::revealLater()
{
    if (revealing_.isEmpty() || revealQueued_)
        return;
    revealQueued_ = true;
    QMetaObject::invokeMethod(this, &FolderChooser::reveal, Qt::QueuedConnection);
}

void FolderChooser::treeMoved()
{
    const QModelIndexList selected = tree_->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    const QString path = model_->filePath(selected.front());
    if (path != revealing_)
        stopRevealing(); // the keyboard moved on
    path_->setText(path);
}

void FolderChooser::pathEdited()
{
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!folderIn(path_->text()).isEmpty());
}

// The folder the text names as a clean absolute path, or empty.
QString FolderChooser::folderIn(const QString &text)
{
    if (text.isEmpty() || QDir::isRelativePath(text))
        return {};
    const QString path = QDir::cleanPath(text);
    return QFileInfo(path).isDir() ? path : QString();
}

void FolderChooser::accept()
{
    const QString folder = folderIn(path_->text());
    if (folder.isEmpty())
        return;
    chosen_ = folder;
    QDialog::accept();
}
