// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#pragma once
#include "engine/ChunkedArray.h"
#include "engine/KeepRule.h"
#include "engine/ResultRow.h"
#include "ui/CheckedTotal.h"
#include "ui/FileTypeIcons.h"

#include <QAbstractTableModel>

#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

// The result list: one row per file of a duplicate group, in the order the
// scan added them. It never sorts itself and no cell is editable in place;
// only the check mark in the Path column can be changed by the user.
class ResultModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { PathColumn, SizeColumn, TimeColumn, GroupColumn, ColumnCount };

    explicit ResultModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool removeRows(int row, int count, const QModelIndex &parent = {}) override;
    // Removes many rows at once (ascending row numbers, no repeats), telling
    // the view once per call however scattered they are.
    void removeRowSet(std::span<const int> rows);

    // Appends the rows after all present ones, taking them over.
    void appendRows(std::span<ResultRow> rows);
    void clear();

    // A row as the scan gave it, marks and protection as they are now.
    ResultRow row(int i) const;
    std::string_view path(int i) const;
    // What the row's tooltip says, as plain text: the whole path, and
    // whether the file lies in a protected folder.
    QString toolTipText(int i) const { return toolTipOf(entries_[std::size_t(i)]); }
    int group(int i) const { return entries_[std::size_t(i)].group; }
    std::int64_t fileSize(int i) const { return entries_[std::size_t(i)].identity.size; }
    std::uint32_t protectionSerial(int i) const { return entries_[std::size_t(i)].protectionSerial; }
    bool isChecked(int i) const { return entries_[std::size_t(i)].checked; }
    // Sets the mark whatever the row; the user's own clicks cannot check a
    // row in a protected folder (see setData).
    void setChecked(int i, bool checked);

    // A number for each row that stays with it while rows before it leave;
    // numbers grow in row order and are never given twice.
    std::uint64_t rowId(int i) const { return entries_[std::size_t(i)].id; }
    // The row with that number; -1 when it has left the list.
    int rowWithId(std::uint64_t id) const;
    // Sets whether the row's file lies in a protected folder, as judged
    // against change `serial`. Its mark is the keep rule's to set.
    void setProtection(int i, bool inProtectedFolder, std::uint32_t serial);

    // What an action made of a row's file that stays in the list: another
    // name of a copy of its group, or sharing that copy's storage. The row's
    // tooltip tells it, with that copy's path.
    enum class JoinedAs { HardLink, SharedStorage };
    void setJoined(int i, JoinedAs how, std::string_view withPath);
    // The file as it is now, taken as what the scan saw: an action of the
    // program's own changed it (a new link changes its status-change time).
    void setIdentity(int i, const FileIdentity &identity);
    const FileIdentity &identity(int i) const { return entries_[std::size_t(i)].identity; }

    // Marks the rows from firstRow on by the rule, from the rows' order,
    // group numbers (a group is a run of one group number) and protection
    // alone, and the row before too when its group goes on at firstRow. Rows
    // before keep their marks, but for those of a group with a protected copy:
    // protection decides those whatever the order.
    void applyKeepRule(KeepRule rule, int firstRow = 0);
    // The groups the rows belong to: runs of rows with one group number.
    int groupCount() const;
    // Removes the rows at the end numbered beyond `lastGroup`: a group that
    // did not arrive whole.
    void dropGroupsAfter(int lastGroup);

    // The checked rows and what their files take, as the marks stand now.
    CheckedTotal checkedTotal() const { return checked_; }

    static constexpr int kColumnWidths[ColumnCount] = {280, 100, 150, 50};

signals:
    // The checked rows, or their bytes, are others now.
    void checkedTotalChanged();

private:
    void gatherAtEnd(std::span<const int> rows);
    void setCheckedTotal(const CheckedTotal &total);
    CheckedTotal checkedIn(std::size_t first, std::size_t last) const;

    // A row as held: its path lies in the list's own blocks of text, so a
    // long list costs no allocation per row.
    struct Entry {
        std::uint64_t pathPlace = 0;
        std::uint32_t pathLength = 0;
        int group = 0;
        std::uint32_t protectionSerial = 0;
        bool checked = false;
        bool inProtectedFolder = false;
        mutable std::uint16_t iconSlot = 0; // 0: not looked up yet
        FileIdentity identity;
        std::uint64_t id = 0;
    };
    std::string_view pathOf(const Entry &entry) const { return paths_.at(entry.pathPlace, entry.pathLength); }
    QVariant displayText(const Entry &entry, int column) const;
    QVariant iconOf(const Entry &entry) const;
    QString toolTipOf(const Entry &entry) const;
    bool sameGroupAsPrevious(std::size_t i) const;

    std::deque<Entry> entries_; // grows without moving the rows already held
    ChunkedNames paths_;        // of every row since the list was last emptied
    std::uint64_t nextId_ = 1;
    CheckedTotal checked_;
    mutable FileTypeIcons icons_;
    struct Joined {
        JoinedAs how;
        std::string withPath;
    };
    std::unordered_map<std::uint64_t, Joined> joined_; // by row id: the few rows an action joined
    QString joinedTip(const Entry &entry) const;
};
