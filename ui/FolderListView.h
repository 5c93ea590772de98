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
// are appended; dropped files and other addresses are not.
class FolderListView : public QTreeWidget
{
    Q_OBJECT
public:
    explicit FolderListView(QWidget *parent = nullptr);

    void appendFolder(const QByteArray &path);
    // False when no row was selected.
    bool removeSelectedFolders();
    QByteArray folderAt(int row) const;
    std::vector<std::string> folders() const;
    int folderCount() const { return topLevelItemCount(); }

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    static std::vector<QByteArray> droppedFolders(const QMimeData *data);
    static Qt::DropAction offeredAction(const QDropEvent *event);
    static void answerDrag(QDropEvent *event, bool holdsFolders);
    void takeEditedCaption(QTreeWidgetItem *item);

    bool dragHoldsFolders_ = false;
};
