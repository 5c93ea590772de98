// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "ui/controls/PNGButton.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class FolderListView;
class FolderProtection;
class QAction;
class QDialog;
class QLabel;
class QLineEdit;
class QModelIndex;
class QMenu;
class QProgressBar;
class QTimer;
class QTableView;
class RadioGroup;
class ResultModel;
class ScanHost;
class TImage;
class TScanThread_Short;
class UserDialogs;
class WindowActionRunner;
class WindowScanHost;
struct ActionTally;
struct ScanSummary;
enum class KeepRule;
enum class ReclaimKind;

// The command buttons of the main window, all made by one factory.
using CommandButton = TPNGButton;

// The main window: folder list, filter, scan control, result list with keep marks.
class TForm1 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm1(UserDialogs &dialogs, QWidget *parent = nullptr);
    ~TForm1() override;

    // The mask list dialog that Filter shows modally; it writes Edit1 itself.
    void setFilterDialog(QDialog *dialog);
    // How Help, Home and a double click on a result open an address: the
    // desktop's handler unless replaced. False when nothing could open it.
    using UrlOpener = std::function<bool(const QUrl &)>;
    void setUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }
    // How "Open Containing Folder" asks a file manager to show a file
    // selected: over the session bus unless replaced. It answers later,
    // through the callback, whether a file manager took it.
    using ItemShower = std::function<void(const QUrl &file, std::function<void(bool shown)> answered)>;
    void setItemShower(ItemShower shower) { itemShower_ = std::move(shower); }

    QLineEdit *filterEdit() const { return Edit1; }
    ResultModel &resultModel() const { return *model_; }
    WindowScanHost &scanHost() const { return *host_; }
    FolderProtection &folderProtection() const { return *protection_; }
    bool StopFlag() const;
    std::int64_t TotalBytes() const;
    bool scanRunning() const { return job_ != nullptr; }
    // Whether the scan's thread, and that of every scan left behind, has done
    // its last act (or there is none); safe to ask once the window has closed
    // and its event loop has stopped.
    bool scanThreadEnded() const;
    // The host that scan jobs read and report through: the window's own unless
    // a test puts another in front of it.
    void setJobHost(ScanHost &host) { jobHost_ = &host; }
    bool deletionRunning() const;
    // Whether every deletion thread has returned, given up ones too; safe to
    // ask once the window has closed.
    bool deletionThreadsEnded() const;

    static constexpr const char *kHomePage = "https://varnok.example.org/";
    static QString helpFilePath();

public slots:
    void FormCreate();
    void PNGButton10Click(); // Scan Now, and Scan in the top band
    void PNGButton11Click(); // Stop
    void PNGButton12Click(); // Delete
    void PNGButton13Click(); // Add Folder
    void PNGButton14Click(); // Remove
    void PNGButton15Click(); // Filter
    void PNGButton6Click();  // Help
    void PNGButton9Click();  // Home
    void Clear1Click();
    void ProtectFolder1Click();
    void RadioGroup1Click();
    void ListView2DblClick(const QModelIndex &index);
    void Open1Click();
    void OpenContainingFolder1Click();
    void DeleteCheckedToRecycleBin();
    void DeleteCheckedPermanently();
    void DeletetoRecycle1Click();
    void DeleteForever1Click();
    void DeleteCheckedtoRecycle1Click();
    void DeleteCheckedForever1Click();
    void ShareStorage1Click();
    void HardLinks1Click();
    void MoveChecked1Click();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct ButtonLook {
        QFont font;
        QColor colour;
        TPNGButtonLayout layout;
        TPNGButtonStyle style;
    };
    using Handler = void (TForm1::*)();

    CommandButton *makeCommandButton(QWidget *parent, const char *name, const QString &caption, const QRect &geometry,
                                     const ButtonLook &look, const char *glyph, Handler action);
    TImage *makePicture(QWidget *parent, const char *name, const QRect &geometry);
    void buildWindow();
    void buildTopBand();
    void buildPanel1();
    void buildPanel2();
    void buildResultList();
    void buildMenus();
    void showPictures();
    void showCheckedTotal();
    void connectFolderProtection();
    void showProtectEntry();

    void connectScanHost();
    void setScanning(bool running);
    void tellJobToEnd();
    void abortScan();
    void abandonStuckScan();
    void scanEnded();
    void scanAbandoned(ScanSummary soFar);
    void showScanSummary(const ScanSummary &summary);
    void showProgressMaximum(int maximum);
    void showElapsedText(const QString &text);
    void openAddress(const QUrl &address, const QString &shownAs);
    void openRow(int row);
    void showPopupRow(const QPoint &at);
    KeepRule keepRuleChosen() const;

    enum class DeleteReport { Summary, FailuresOnly, Reclaimed, Moved };
    void connectDeleteCommands();
    bool deletionBarred() const;
    std::vector<int> checkedRows() const;
    std::vector<int> selectedRows() const;
    void spareWholeGroupsUnlessConfirmed(std::vector<int> &rows, const char *which, const char *verb = "Delete");
    void startDeletion(const std::vector<int> &rows, bool recycle, DeleteReport report);
    void beginRun(std::size_t files, DeleteReport report);
    void showDeleteProgress(int done, int total);
    void deletionFinished(const ActionTally &tally);
    void showDeleteSummary(const ActionTally &tally);
    void connectReclaimCommands();
    void reclaimChecked(ReclaimKind kind);
    void showReclaimSummary(const ActionTally &tally);
    void connectMoveCommands();
    bool targetBesideCheckedFiles(const std::vector<int> &rows, const std::string &target);
    void showMoveSummary(const ActionTally &tally);

    UserDialogs &dialogs_;
    ResultModel *model_;
    WindowScanHost *host_;
    FolderProtection *protection_ = nullptr;
    ScanHost *jobHost_;
    std::unique_ptr<TScanThread_Short> job_;
    // Scans left behind with a thread stuck in the kernel, until it ends.
    std::vector<std::unique_ptr<TScanThread_Short>> leftBehind_;
    QTimer *stopGrace_ = nullptr; // from Stop until the scan is left behind
    bool summaryShown_ = false;   // by the running scan
    bool closed_ = false;         // the window has closed; the program is ending
    QPointer<QDialog> filterDialog_;
    UrlOpener urlOpener_;
    ItemShower itemShower_;
    std::uint64_t popupRowId_ = 0; // the result row the popup menu was opened on; 0: none
    WindowActionRunner *deleter_ = nullptr;
    DeleteReport deleteReport_ = DeleteReport::Summary;
    ReclaimKind reclaimKind_{};
    std::string moveTarget_;                  // of the move in hand
    std::vector<std::string> scannedFolders_; // the folders the last scan was given, in list order

    // Top band.
    TImage *Image1 = nullptr;
    CommandButton *PNGButton1 = nullptr, *PNGButton2 = nullptr, *PNGButton3 = nullptr, *PNGButton4 = nullptr,
                  *PNGButton5 = nullptr, *PNGButton6 = nullptr, *PNGButton9 = nullptr;
    // Left panel.
    QWidget *Panel1 = nullptr;
    TImage *Image2 = nullptr, *Image4 = nullptr, *Image6 = nullptr;
    FolderListView *ListView1 = nullptr;
    CommandButton *PNGButton13 = nullptr, *PNGButton14 = nullptr;
    RadioGroup *RadioGroup1 = nullptr, *RadioGroup2 = nullptr;
    // Right panel.
    QWidget *Panel2 = nullptr;
    TImage *Image3 = nullptr, *Image5 = nullptr, *Image7 = nullptr;
    QTableView *ListView2 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QLabel *Label1 = nullptr;
    QLineEdit *Edit1 = nullptr;
    CommandButton *PNGButton10 = nullptr, *PNGButton11 = nullptr, *PNGButton12 = nullptr, *PNGButton15 = nullptr;
    QLabel *StaticText3 = nullptr;
    // Popup menus.
    QMenu *PopupMenu1 = nullptr, *PopupMenu2 = nullptr;
    QAction *DeletetoRecycle1 = nullptr, *DeleteForever1 = nullptr, *DeleteCheckedtoRecycle1 = nullptr,
            *DeleteCheckedForever1 = nullptr;
    QAction *ShareStorage1 = nullptr, *HardLinks1 = nullptr, *MoveChecked1 = nullptr;
    QAction *Open1 = nullptr, *OpenContainingFolder1 = nullptr;
    QAction *ProtectFolder1 = nullptr;
};
