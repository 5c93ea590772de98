// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
// The main window: building it, its commands and the scan. TForm1's delete
// commands live in Unit1Deletion.cpp, so that all the code that removes files
// can be read and reviewed apart from the rest.
#include "ui/Unit1.h"
#include "engine/ScanTexts.h"
#include "engine/uScanThread_Short.h"
#include "platform/LocaleCompare.h"
#include "ui/FileManagerItems.h"
#include "ui/FolderListView.h"
#include "ui/FolderProtection.h"
#include "ui/PathElision.h"
#include "ui/ProtectionTexts.h"
#include "ui/RadioGroup.h"
#include "ui/ResultModel.h"
#include "ui/StakeTexts.h"
#include "ui/TImage.h"
#include "ui/ThumbnailLoader.h"
#include "ui/ThumbnailToolTips.h"
#include "ui/UserDialogs.h"
#include "ui/Version.h"
#include "ui/WindowActionRunner.h"
#include "ui/WindowLook.h"
#include "ui/WindowScanHost.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <utility>

using namespace WindowLook;

namespace
{

constexpr int kClientWidth = 829;
constexpr int kClientHeight = 572;
constexpr int kBandHeight = 81;
constexpr int kPanel1Width = 212;
constexpr int kBarWidth = 5;
constexpr int kPanel2Width = 612;
constexpr int kPanelHeight = kClientHeight - kBandHeight; // 491
constexpr int kScanProgressMaximum = 1000;

// The window's pictures and button glyphs are built into the program.
TPNGObject BuiltInPicture(const char *name)
{
    return TPNGObject::FromResource(QStringLiteral(":/pictures/%1.png").arg(QLatin1String(name)));
}

// A file address that keeps every byte of the path, UTF-8 or not.
QUrl LocalFileUrl(const std::string &path)
{
    return QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
}

// The folder rows that name no folder by their text alone (blank, or not a
// whole path), a line each; empty when there are none. Whether the others
// are folders is for the scan to find out: a share may be slow to answer.
QString UnusableRowsText(const std::vector<std::string> &folders)
{
    QStringList lines;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        const QString shown = LocaleCompare::toDisplay(folders[i]);
        const int row = int(i) + 1;
        if (shown.trimmed().isEmpty())
            lines << QStringLiteral("Folder row %1 is blank.").arg(row);
        else if (!shown.startsWith(QLatin1Char('/')))
            lines << QStringLiteral("Folder row %1, \"%2\", is not a whole path from \"/\".").arg(row).arg(shown);
    }
    if (!lines.isEmpty())
        lines << QStringLiteral("Type a folder's whole path into each, or remove it, and scan again.");
    return lines.join(QLatin1Char('\n'));
}

} // namespace

TForm1::TForm1(UserDialogs &dialogs, QWidget *parent)
    : QWidget(parent), dialogs_(dialogs), model_(new ResultModel(this)), host_(new WindowScanHost(*model_, this)),
      jobHost_(host_), urlOpener_([](const QUrl &address) { return QDesktopServices::openUrl(address); }),
      itemShower_([this](const QUrl &file, std::function<void(bool)> answered) {
          ShowItemInFileManager(QDBusConnection::sessionBus(), file, this, std::move(answered));
      })
{
    setObjectName(QStringLiteral("Form1"));
    buildWindow();
    buildTopBand();
    buildPanel1();
    buildPanel2();
    buildMenus();
    showPictures();
    connectScanHost();
    connectDeleteCommands();
    connectFolderProtection();
    showCheckedTotal();
    FormCreate();
}

TForm1::~TForm1()
{
    abortScan();
}

bool TForm1::StopFlag() const
{
    return host_->stopFlagRef().load();
}

bool TForm1::scanThreadEnded() const
{
    const auto ended = [](const std::unique_ptr<TScanThread_Short> &job) { return !job || job->Finished(); };
    return ended(job_) && std::all_of(leftBehind_.begin(), leftBehind_.end(), ended);
}

std::int64_t TForm1::TotalBytes() const
{
    return host_->totalBytes();
}

void TForm1::setFilterDialog(QDialog *dialog)
{
    filterDialog_ = dialog;
}

QString TForm1::helpFilePath()
{
    // Beside the executable in a build tree; under share/varnok once installed.
    const QString dir = QCoreApplication::applicationDirPath();
    const QString beside = dir + QStringLiteral("/varnok.html");
    const QString installed = dir + QStringLiteral("/../share/varnok/varnok.html");
    return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside
                                                                      : QFileInfo(installed).canonicalFilePath();
}

// ---- Building the window ----

void TForm1::buildWindow()
{
    setWindowTitle(QStringLiteral("Varnok ") + QLatin1String(kVarnokVersion));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientWidth, kClientHeight);
    move(248, 109);
    setFont(DesktopSans());
    FillWith(this, palette().color(QPalette::Button));
}

TImage *TForm1::makePicture(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *picture = new TImage(parent);
    picture->setObjectName(QLatin1String(name));
    picture->setGeometry(geometry);
    return picture;
}

CommandButton *TForm1::makeCommandButton(QWidget *parent, const char *name, const QString &caption,
                                         const QRect &geometry, const ButtonLook &look, const char *glyph,
                                         Handler action)
{
    auto *button = new CommandButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setFont(look.font);
    button->SetFontColor(look.colour);
    button->SetButtonLayout(look.layout);
    button->SetButtonStyle(look.style);
    button->SetCaption(caption);
    button->SetImageNormal(BuiltInPicture(glyph));
    button->setCursor(Qt::PointingHandCursor);
    connect(button, &CommandButton::clicked, this, action);
    return button;
}

void TForm1::buildTopBand()
{
    Image1 = makePicture(this, "Image1", QRect(0, 0, kClientWidth, kBandHeight));
    const ButtonLook look{ArialBlack(), kYellow, pbsImageAbove, pbsNoFrame};
    auto band = [&](const char *name, const char *caption, int left, int width, const char *glyph, Handler action) {
        return makeCommandButton(this, name, QString::fromLatin1(caption), QRect(left, 0, width, kBandHeight), look,
                                 glyph, action);
    };
    PNGButton2 = band("PNGButton2", "Add Folder", 8, 81, "glyph-add-folder", &TForm1::PNGButton13Click);
    PNGButton3 = band("PNGButton3", "Filter", 88, 73, "glyph-filter", &TForm1::PNGButton15Click);
    PNGButton1 = band("PNGButton1", "Scan", 168, 65, "glyph-scan", &TForm1::PNGButton10Click);
    PNGButton4 = band("PNGButton4", "Stop", 240, 73, "glyph-stop", &TForm1::PNGButton11Click);
    PNGButton5 = band("PNGButton5", "Delete", 312, 73, "glyph-delete", &TForm1::PNGButton12Click);
    PNGButton6 = band("PNGButton6", "Help", 392, 73, "glyph-help", &TForm1::PNGButton6Click);
    PNGButton9 = band("PNGButton9", "Home", 472, 73, "glyph-home", &TForm1::PNGButton9Click);
    // Scan alone has a pressed picture, the same as its idle one.
    PNGButton1->SetImageDown(PNGButton1->ImageNormal());
}

void TForm1::buildPanel1()
{
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(0, kBandHeight, kPanel1Width, kPanelHeight);
    Image2 = makePicture(Panel1, "Image2", QRect(0, 0, kPanel1Width, kPanelHeight));
    Image4 = makePicture(this, "Image4", QRect(kPanel1Width, kBandHeight, kBarWidth, kPanelHeight));

    ListView1 = new FolderListView(Panel1);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setGeometry(0, 0, kPanel1Width, 193);
    ListView1->setHeaderLabels({QStringLiteral("                     Folders")});
    ListView1->setColumnWidth(0, 210);
    SetTextColour(ListView1, QPalette::Text, kMaroon);

    const ButtonLook look{Arial(), kGreen, pbsImageLeft, pbsFlat};
    PNGButton13 = makeCommandButton(Panel1, "PNGButton13", QStringLiteral("Add"), QRect(0, 197, 97, 41), look,
                                    "glyph-add", &TForm1::PNGButton13Click);
    PNGButton14 = makeCommandButton(Panel1, "PNGButton14", QStringLiteral("Remove"), QRect(104, 197, 105, 41), look,
                                    "glyph-remove", &TForm1::PNGButton14Click);
    Image6 = makePicture(Panel1, "Image6", QRect(0, 240, 209, 5));

    RadioGroup1 = new RadioGroup(QStringLiteral("Check Options"),
                                 {QStringLiteral("Check Older Files"), QStringLiteral("Check Newer Files")}, Panel1);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1->setGeometry(16, 256, 185, 105);
    RadioGroup1->setFont(Arial());
    SetTextColour(RadioGroup1, QPalette::WindowText, kBlack);
    connect(RadioGroup1, &RadioGroup::clicked, this, &TForm1::RadioGroup1Click);

    RadioGroup2
        = new RadioGroup(QStringLiteral("Delete Options"),
                         {QStringLiteral("Delete to Recycle Bin"), QStringLiteral("Delete Permanently")}, Panel1);
    RadioGroup2->setObjectName(QStringLiteral("RadioGroup2"));
    RadioGroup2->setGeometry(16, 376, 185, 105);
    RadioGroup2->setFont(Arial());
    for (RadioGroup *group : {RadioGroup1, RadioGroup2})
        for (int i = 0; i < 2; ++i)
            group->item(i)->setObjectName(group->objectName() + QStringLiteral("Item") + QString::number(i));
}

void TForm1::buildPanel2()
{
    Panel2 = new QWidget(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setGeometry(kPanel1Width + kBarWidth, kBandHeight, kPanel2Width, kPanelHeight);
    Image3 = makePicture(Panel2, "Image3", QRect(0, 0, kPanel2Width, kPanelHeight));
    buildResultList();

    ProgressBar1 = new QProgressBar(Panel2);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setGeometry(8, 292, 481, 17);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);

    Label1 = new QLabel(QStringLiteral("0:0:0"), Panel2);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(521, 292);
    Label1->adjustSize();

    Edit1 = new QLineEdit(QStringLiteral("*.*"), Panel2);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(8, 320, 481, 21);

    PNGButton15 = makeCommandButton(Panel2, "PNGButton15", QStringLiteral("Filter"), QRect(496, 320, 73, 23),
                                    {Arial(13), kMaroon, pbsImageLeft, pbsDefault}, "glyph-filter-small",
                                    &TForm1::PNGButton15Click);
    Image5 = makePicture(Panel2, "Image5", QRect(8, 368, 681, 5));

    const ButtonLook big{ArialBlack(), kGreen, pbsImageAbove, pbsFlat};
    PNGButton10 = makeCommandButton(Panel2, "PNGButton10", QStringLiteral("Scan Now"), QRect(80, 376, 97, 73), big,
                                    "glyph-scan-now", &TForm1::PNGButton10Click);
    PNGButton11 = makeCommandButton(Panel2, "PNGButton11", QStringLiteral("Stop"), QRect(272, 376, 97, 73), big,
                                    "glyph-stop", &TForm1::PNGButton11Click);
    PNGButton12 = makeCommandButton(Panel2, "PNGButton12", QStringLiteral("Delete"), QRect(456, 376, 97, 73), big,
                                    "glyph-delete", &TForm1::PNGButton12Click);

    Image7 = makePicture(Panel2, "Image7", QRect(24, 464, 16, 16));
    StaticText3 = new QLabel(QStringLiteral("Note: System files are not included for safe reason. "), Panel2);
    StaticText3->setObjectName(QStringLiteral("StaticText3"));
    StaticText3->setGeometry(43, 464, 258, 18);
    QFont note = Arial();
    note.setItalic(true);
    StaticText3->setFont(note);
    SetTextColour(StaticText3, QPalette::WindowText, kBlack);
}

void TForm1::buildResultList()
{
    ListView2 = new QTableView(Panel2);
    ListView2->setObjectName(QStringLiteral("ListView2"));
    ListView2->setGeometry(0, 0, kPanel2Width, 273);
    ListView2->setModel(model_);
    ListView2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView2->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView2->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView2->setTabKeyNavigation(false); // Tab leaves the list; the arrows move inside it
    ListView2->setSortingEnabled(false);
    ListView2->setShowGrid(false);
    ListView2->setWordWrap(false);
    // The file name and its folder's end stay in view; the tooltip tells the rest.
    ListView2->setTextElideMode(Qt::ElideMiddle);
    ListView2->setItemDelegate(new PathElidingDelegate(ResultModel::PathColumn, ListView2));
    ListView2->setIconSize(QSize(16, 16));
    ListView2->verticalHeader()->hide();
    ListView2->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView2->verticalHeader()->setDefaultSectionSize(ListView2->fontMetrics().height() + 4);
    ListView2->horizontalHeader()->setHighlightSections(false);
    for (int column = 0; column < ResultModel::ColumnCount; ++column)
        ListView2->setColumnWidth(column, ResultModel::kColumnWidths[column]);
    SetTextColour(ListView2, QPalette::Text, kMaroon);
    connect(ListView2, &QAbstractItemView::doubleClicked, this, &TForm1::ListView2DblClick);
    connect(model_, &ResultModel::checkedTotalChanged, this, &TForm1::showCheckedTotal);
    auto *thumbnails = new ThumbnailLoader(this);
    thumbnails->setObjectName(QStringLiteral("ThumbnailLoader"));
    new ThumbnailToolTips(*ListView2, *model_, *thumbnails);
}

void TForm1::buildMenus()
{
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto entry = [](QMenu *menu, const char *name, const char *caption) {
        QAction *action = menu->addAction(QString::fromLatin1(caption));
        action->setObjectName(QLatin1String(name));
        return action;
    };
    DeletetoRecycle1 = entry(PopupMenu1, "DeletetoRecycle1", "Delete Selected Files to Recycle");
    DeleteForever1 = entry(PopupMenu1, "DeleteForever1", "Delete Selected Files Forever");
    PopupMenu1->addSeparator();
    DeleteCheckedtoRecycle1 = entry(PopupMenu1, "DeleteCheckedtoRecycle1", "Delete Checked Files to Recycle");
    DeleteCheckedForever1 = entry(PopupMenu1, "DeleteCheckedForever1", "Delete Checked Files Forever");
    PopupMenu1->addSeparator();
    ShareStorage1 = entry(PopupMenu1, "ShareStorage1", "Share Storage of Checked Files with Kept Copy");
    HardLinks1 = entry(PopupMenu1, "HardLinks1", "Replace Checked Files with Hard Links to Kept Copy");
    MoveChecked1 = entry(PopupMenu1, "MoveChecked1", "Move Checked Files to Folder...");
    PopupMenu1->addSeparator();
    Open1 = entry(PopupMenu1, "Open1", "Open");
    OpenContainingFolder1 = entry(PopupMenu1, "OpenContainingFolder1", "Open Containing Folder");
    connect(Open1, &QAction::triggered, this, &TForm1::Open1Click);
    connect(OpenContainingFolder1, &QAction::triggered, this, &TForm1::OpenContainingFolder1Click);
    // Before the menu shows: the entries act on the row under the pointer.
    connect(ListView2, &QWidget::customContextMenuRequested, this, &TForm1::showPopupRow);

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    connect(entry(PopupMenu2, "AddFolder1", "Add Folder"), &QAction::triggered, this, &TForm1::PNGButton13Click);
    connect(entry(PopupMenu2, "RemoveFolder1", "Remove Folder"), &QAction::triggered, this, &TForm1::PNGButton14Click);
    connect(entry(PopupMenu2, "Clear1", "Clear"), &QAction::triggered, this, &TForm1::Clear1Click);
    PopupMenu2->addSeparator();
    ProtectFolder1 = entry(PopupMenu2, "ProtectFolder1", kProtectEntry);
    connect(ProtectFolder1, &QAction::triggered, this, &TForm1::ProtectFolder1Click);
    connect(PopupMenu2, &QMenu::aboutToShow, this, &TForm1::showProtectEntry);

    auto attach = [](QAbstractItemView *view, QMenu *menu) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, menu,
                [view, menu](const QPoint &at) { menu->popup(view->viewport()->mapToGlobal(at)); });
    };
    attach(ListView2, PopupMenu1);
    attach(ListView1, PopupMenu2);
}

// Both Delete buttons tell what a press would act on, as the marks change.
void TForm1::showCheckedTotal()
{
    const QString text = StakeText("checked", model_->checkedTotal());
    for (QWidget *button : {PNGButton5, PNGButton12})
        button->setToolTip(text);
}

void TForm1::showPictures()
{
    const std::pair<TImage *, const char *> pictures[] = {
        {Image1, "banner"},          {Image2, "panel-left"},     {Image3, "panel-right"}, {Image4, "bar"},
        {Image5, "separator-right"}, {Image6, "separator-left"}, {Image7, "note"},
    };
    for (const auto &[image, name] : pictures)
        image->SetPicture(BuiltInPicture(name));
    // Backgrounds lie under every other control of their panel.
    for (TImage *background : {Image1, Image2, Image3})
        background->lower();
}

// The protected folders are the folder list's; the result list follows them.
void TForm1::connectFolderProtection()
{
    protection_ = new FolderProtection(*model_, *host_, this);
    connect(ListView1, &FolderListView::protectionChanged, this,
            [this] { protection_->setFolders(ListView1->protectedFolders()); });
}

void TForm1::connectScanHost()
{
    connect(host_, &WindowScanHost::progressPositionChanged, ProgressBar1, &QProgressBar::setValue);
    connect(host_, &WindowScanHost::progressMaximumChanged, this, &TForm1::showProgressMaximum);
    connect(host_, &WindowScanHost::elapsedTextChanged, this, &TForm1::showElapsedText);
    connect(host_, &WindowScanHost::summaryReady, this, &TForm1::showScanSummary);
    connect(host_, &WindowScanHost::scanEnded, this, &TForm1::scanEnded);
    connect(host_, &WindowScanHost::scanAbandoned, this, &TForm1::scanAbandoned);
    stopGrace_ = new QTimer(this);
    stopGrace_->setSingleShot(true);
    stopGrace_->setInterval(TScanThread_Short::kStopGrace);
    connect(stopGrace_, &QTimer::timeout, this, &TForm1::abandonStuckScan);
    connect(Edit1, &QLineEdit::textChanged, host_, &WindowScanHost::setFilterText);
    host_->setFilterText(Edit1->text());
}

// ---- Handlers ----

void TForm1::FormCreate()
{
    host_->setStopFlag(false);
    host_->setKeepRule(keepRuleChosen());
}

void TForm1::PNGButton10Click()
{
    if (job_ || deleter_->isRunning())
        return; // one job at a time, and never while files are being deleted; the buttons are disabled meanwhile
    host_->setTotalBytes(0);
    host_->setStopFlag(false);
    if (ListView1->folderCount() == 0) {
        dialogs_.information(this, QStringLiteral("Please add a folder first!"));
        return;
    }
    std::vector<std::string> folders = ListView1->folders();
    if (const QString unusable = UnusableRowsText(folders); !unusable.isEmpty()) {
        dialogs_.messageBox(this, unusable, QStringLiteral("Note:"));
        return;
    }
    scannedFolders_ = folders; // where a move finds the folder each file was found under
    ProgressBar1->setRange(0, kScanProgressMaximum);
    ProgressBar1->setValue(0);
    host_->resetProgress(kScanProgressMaximum);
    model_->clear();
    summaryShown_ = false;
    std::erase_if(leftBehind_, [](const auto &job) { return job->Finished(); });
    setScanning(true);
    // The job measures the folders on its own thread, so the window answers at once.
    WindowScanHost *host = host_;
    job_ = std::make_unique<TScanThread_Short>(
        *jobHost_, std::move(folders), false, [host](std::int64_t total) { host->setTotalBytes(total); },
        [host] { host->jobEnded(); });
}

void TForm1::PNGButton11Click()
{
    host_->setStopFlag(true);
    deleter_->stop();
    if (job_ && !stopGrace_->isActive())
        stopGrace_->start();
}

void TForm1::PNGButton13Click()
{
    const QByteArray folder = dialogs_.pickFolder(this, QStringLiteral("Please select a folder:"));
    if (!folder.isEmpty())
        ListView1->appendFolder(folder);
}

void TForm1::PNGButton14Click()
{
    if (!ListView1->removeSelectedFolders())
        dialogs_.messageBox(this, QStringLiteral("Please selcect a folder first!"), QStringLiteral("Note:"));
}

void TForm1::Clear1Click()
{
    ListView1->clearFolders();
}

// Every selected row takes the opposite of the first one's state, as the
// entry's caption says.
void TForm1::ProtectFolder1Click()
{
    const std::vector<int> rows = ListView1->selectedRows();
    if (!rows.empty())
        ListView1->setFoldersProtected(rows, !ListView1->isFolderProtected(rows.front()));
}

void TForm1::showProtectEntry()
{
    const std::vector<int> rows = ListView1->selectedRows();
    const bool protectedFirst = !rows.empty() && ListView1->isFolderProtected(rows.front());
    ProtectFolder1->setText(QString::fromLatin1(protectedFirst ? kUnprotectEntry : kProtectEntry));
    ProtectFolder1->setEnabled(!rows.empty());
}

void TForm1::PNGButton15Click()
{
    if (filterDialog_)
        filterDialog_->exec();
}

void TForm1::PNGButton6Click()
{
    openAddress(QUrl::fromLocalFile(helpFilePath()), helpFilePath());
}

void TForm1::PNGButton9Click()
{
    openAddress(QUrl(QString::fromLatin1(kHomePage)), QString::fromLatin1(kHomePage));
}

void TForm1::ListView2DblClick(const QModelIndex &index)
{
    openRow(index.row());
}

void TForm1::showPopupRow(const QPoint &at)
{
    const int row = ListView2->indexAt(at).row();
    popupRowId_ = row >= 0 ? model_->rowId(row) : 0;
    for (QAction *action : {Open1, OpenContainingFolder1})
        action->setEnabled(row >= 0);
}

void TForm1::Open1Click()
{
    if (const int row = popupRowId_ ? model_->rowWithId(popupRowId_) : -1; row >= 0)
        openRow(row);
}

// The file manager shows the file selected; where none answers, the
// desktop opens the folder itself.
void TForm1::OpenContainingFolder1Click()
{
    const int row = popupRowId_ ? model_->rowWithId(popupRowId_) : -1;
    if (row < 0)
        return;
    const std::string path(model_->path(row));
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
    itemShower_(LocalFileUrl(path), [window = QPointer<TForm1>(this), folder](bool shown) {
        if (!shown && window)
            window->openAddress(LocalFileUrl(folder), LocaleCompare::toDisplay(folder));
    });
}

void TForm1::openRow(int row)
{
    const std::string path(model_->path(row));
    openAddress(LocalFileUrl(path), LocaleCompare::toDisplay(path));
}

KeepRule TForm1::keepRuleChosen() const
{
    return RadioGroup1->itemIndex() == 0 ? KeepRule::CheckOlder : KeepRule::CheckNewer;
}

void TForm1::RadioGroup1Click()
{
    // Rows still on their way are re-marked as they arrive (see the host).
    host_->setKeepRule(keepRuleChosen());
    model_->applyKeepRule(keepRuleChosen());
}

// The window goes at once. A running scan is told to end but not waited for:
// its thread may be stuck in a read that never returns, and waiting would
// freeze the window. The program's exit decides how long to give it.
void TForm1::closeEvent(QCloseEvent *event)
{
    closed_ = true;
    if (job_)
        tellJobToEnd();
    deleter_->abandon();
    event->accept();
}

// ---- Scan state ----

void TForm1::setScanning(bool running)
{
    for (QWidget *button : {PNGButton1, PNGButton10, PNGButton5, PNGButton12})
        button->setEnabled(!running);
    for (QAction *action : {DeletetoRecycle1, DeleteForever1, DeleteCheckedtoRecycle1, DeleteCheckedForever1})
        action->setEnabled(!running);
}

void TForm1::tellJobToEnd()
{
    host_->setStopFlag(true);
    job_->Abort();
}

void TForm1::abortScan()
{
    if (!job_)
        return;
    tellJobToEnd();
    job_.reset(); // joins
    host_->discardPending();
    setScanning(false);
}

// Stop was pressed a while ago and the scan has not ended: a thread of it is
// stuck where the stop flag cannot reach it. It is left behind, and the scan
// ends here with what reached the window.
void TForm1::abandonStuckScan()
{
    if (!job_ || !job_->Abandon())
        return; // ended on its own: its summary is on the way
    const ScanStats &stats = job_->Stats();
    host_->jobAbandoned(stats.summary(0));
}

void TForm1::scanEnded()
{
    stopGrace_->stop();
    job_.reset(); // its thread has done its last act; this only joins it
    setScanning(false);
}

void TForm1::scanAbandoned(ScanSummary soFar)
{
    if (!summaryShown_) {
        soFar.groups = model_->groupCount();
        showScanSummary(soFar);
    }
    leftBehind_.push_back(std::move(job_));
    setScanning(false);
}

void TForm1::showScanSummary(const ScanSummary &summary)
{
    summaryShown_ = true;
    // An error may have cut off the rows of a group on their way: the list
    // keeps the whole groups the summary counts, and only those.
    if (summary.endedEarly)
        model_->dropGroupsAfter(summary.groups);
    if (closed_)
        return; // a job that ends after the window closed has nobody to tell
    QString text = QString::fromStdString(SummaryText(summary.groups, model_->rowCount()));
    if (summary.endedEarly)
        text = QString::fromStdString(EndedEarlyText(summary.failure)) + QLatin1Char('\n') + text;
    if (model_->rowCount() > 0)
        text += QLatin1Char('\n') + CheckedFilesTakeText(model_->checkedTotal());
    text += QString::fromStdString(SummaryNotes(summary));
    dialogs_.messageBox(this, text, QString::fromLatin1(summary.endedEarly ? kEndedEarlyCaption : kSummaryCaption));
}

void TForm1::showProgressMaximum(int maximum)
{
    // A range of 0 to 0 would turn the bar into a busy indicator.
    ProgressBar1->setRange(0, std::max(maximum, 1));
}

void TForm1::showElapsedText(const QString &text)
{
    Label1->setText(text);
    Label1->adjustSize();
}

// Whatever the desktop could not open is named, so that the user can open it another way.
void TForm1::openAddress(const QUrl &address, const QString &shownAs)
{
    if (urlOpener_ && urlOpener_(address))
        return;
    dialogs_.messageBox(this, QStringLiteral("The desktop could not open\n%1").arg(shownAs), QStringLiteral("Note:"));
}
