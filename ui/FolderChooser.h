// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include <QDialog>

class QDialogButtonBox;
class QFileSystemModel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTreeView;

// The folder picker: the file system as a tree from its top, opened at the
// home folder with nothing chosen, the home folder and the top one click away
// among the places, and a line to type a path into.
// Made of plain widgets because Qt's own file dialog stores its history in
// the user's configuration each time it closes, and this program writes no
// files of its own.
class FolderChooser : public QDialog
{
    Q_OBJECT
public:
    explicit FolderChooser(const QString &prompt, QWidget *parent = nullptr);

    // The confirmed folder, absolute and without a trailing separator; empty
    // unless the dialog was accepted.
    QString chosenFolder() const { return chosen_; }
    // Opens the tree down to the folder and makes it the one to confirm.
    // The model lists folders in the background, so the folder is brought
    // into view again as its ancestors come in, until the user moves on.
    void showFolder(const QString &path);
    // Opens the tree down to the folder and brings it into view, choosing nothing.
    void openAt(const QString &path);

    // Only an existing folder given by an absolute path can be confirmed.
    void accept() override;

private:
    void buildPlaces();
    void placeClicked(QListWidgetItem *item);
    void reveal();
    void revealLater();
    void stopRevealing() { revealing_.clear(); }
    void treeMoved();
    void pathEdited();
    static QString folderIn(const QString &text);

    QFileSystemModel *model_;
    QTreeView *tree_;
    QListWidget *places_;
    QLineEdit *path_;
    QDialogButtonBox *buttons_;
    QString chosen_;
    QString revealing_; // the folder kept in view while the listing loads
    bool revealQueued_ = false;
    bool choosing_ = false; // the folder kept in view is the one to confirm
};
