#pragma once
#include <QByteArray>
#include <QTreeWidget>

#include <string>
#include <vector>

// The folder list: one row per folder, in scan order. Each row keeps the raw
// bytes of its path; the caption shows them and may be edited in place, and an
// edited caption becomes the row's path.
class FolderListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit FolderListView(QWidget *parent = nullptr);

    void appendFolder(const QByteArray &path);
    // False when no row was selected.
    bool removeSelectedFolders();
    QByteArray folderAt(int row) const;
    std::vector<std::string> folders() const;
    int folderCount() const { return topLevelItemCount(); }

private:
    void takeEditedCaption(QTreeWidgetItem *item);
};
