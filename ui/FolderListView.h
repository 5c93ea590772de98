// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QByteArray>
#include <QTreeWidget>

#include <string>
#include <vector>

// The folder list: one row per folder, in scan order. Each row keeps the raw
// bytes of its path; the caption shows them and may be edited in place, and an
// edited caption becomes the row's path. Folders dropped from a file manager
// are appended; dropped files and other addresses are not. A row may be
// protected: a padlock before its caption says so, and its protection stays
// with it, caption edits included, until the row goes.
class FolderListView : public QTreeWidget
{
    Q_OBJECT
public:
    explicit FolderListView(QWidget *parent = nullptr);

    void appendFolder(const QByteArray &path);
    // False when no row was selected.
    bool removeSelectedFolders();
    void clearFolders();
    QByteArray folderAt(int row) const;
    std::vector<std::string> folders() const;
    int folderCount() const { return topLevelItemCount(); }
    // The selected rows in list order.
    std::vector<int> selectedRows() const;

    bool isFolderProtected(int row) const;
    void setFoldersProtected(const std::vector<int> &rows, bool protect);
    // The paths of the protected rows, in list order.
    std::vector<std::string> protectedFolders() const;

signals:
    // The paths of the protected rows may be others now.
    void protectionChanged();

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    static std::vector<QByteArray> droppedFolders(const QMimeData *data);
    static Qt::DropAction offeredAction(const QDropEvent *event);
    static void answerDrag(QDropEvent *event, bool holdsFolders);
    void takeEditedCaption(QTreeWidgetItem *item);
    void showProtection(QTreeWidgetItem *item);
    bool anyProtected(const QList<QTreeWidgetItem *> &items) const;

    bool dragHoldsFolders_ = false;
};
