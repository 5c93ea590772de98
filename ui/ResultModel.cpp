// SPDX-FileCopyrightText: 2026 Varnok developers
// SPDX-License-Identifier: MIT
#include "ui/ResultModel.h"
#include "engine/ScanTexts.h"
#include "platform/LocalTime.h"
#include "platform/LocaleCompare.h"
#include "ui/PlainToolTip.h"
#include "ui/ProtectionTexts.h"

#include <algorithm>
#include <limits>
#include <vector>

ResultModel::ResultModel(QObject *parent) : QAbstractTableModel(parent)
{
}

ResultRow ResultModel::row(int i) const
{
    const Entry &entry = entries_[std::size_t(i)];
    ResultRow row;
    row.path = std::string(pathOf(entry));
    row.group = entry.group;
    row.protectionSerial = entry.protectionSerial;
    row.checked = entry.checked;
    row.inProtectedFolder = entry.inProtectedFolder;
    row.identity = entry.identity;
    return row;
}

std::string_view ResultModel::path(int i) const
{
    return pathOf(entries_[std::size_t(i)]);
}

int ResultModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(entries_.size());
}

int ResultModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const Entry &entry = entries_[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return displayText(entry, index.column());
    case Qt::CheckStateRole:
        if (index.column() == PathColumn)
            return entry.checked ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::DecorationRole:
        return index.column() == PathColumn ? iconOf(entry) : QVariant();
    case Qt::ToolTipRole: // a path cut off by its column can still be read whole
        return PlainToolTip(toolTipOf(entry));
    default:
        return {};
    }
}

QString ResultModel::toolTipOf(const Entry &entry) const
{
    if (entry.inProtectedFolder)
        return LocaleCompare::toDisplay(pathOf(entry)) + QLatin1Char('\n') + QString::fromLatin1(kProtectedCopyTip)
            + joinedTip(entry);
    return LocaleCompare::toDisplay(pathOf(entry)) + joinedTip(entry);
}

QVariant ResultModel::displayText(const Entry &entry, int column) const
{
    switch (column) {
    case PathColumn:
        return LocaleCompare::toDisplay(pathOf(entry));
    case SizeColumn:
        return QString::fromStdString(SizeField(entry.identity.size));
    case TimeColumn:
        return QString::fromStdString(LocalTimeText(entry.identity.mtimeNs));
    case GroupColumn:
        return QString::number(entry.group);
    default:
        return {};
    }
}

QVariant ResultModel::iconOf(const Entry &entry) const
{
    if (entry.iconSlot == 0) {
        const int slot = icons_.slotFor(pathOf(entry));
        if (slot > std::numeric_limits<std::uint16_t>::max())
            return {};
        entry.iconSlot = std::uint16_t(slot);
    }
    return icons_.icon(entry.iconSlot);
}

bool ResultModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || index.column() != PathColumn || role != Qt::CheckStateRole)
        return false;
    const bool checked = value.value<Qt::CheckState>() == Qt::Checked;
    if (checked && entries_[std::size_t(index.row())].inProtectedFolder)
        return false;
    setChecked(index.row(), checked);
    return true;
}

void ResultModel::setChecked(int i, bool checked)
{
    Entry &entry = entries_[std::size_t(i)];
    CheckedTotal total = checked_;
    total.change(entry.checked, checked, entry.identity.size);
    entry.checked = checked;
    const QModelIndex cell = index(i, PathColumn);
    emit dataChanged(cell, cell, {Qt::CheckStateRole});
    setCheckedTotal(total);
}

void ResultModel::setCheckedTotal(const CheckedTotal &total)
{
    if (total == checked_)
        return;
    checked_ = total;
    emit checkedTotalChanged();
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const titles[ColumnCount] = {"Path", "Size", "Modify Time", "Group"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return QString::fromLatin1(titles[section]);
}

Qt::ItemFlags ResultModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    // A protected copy's box shows its mark but takes no click: it is never checked.
    if (index.column() == PathColumn && !entries_[std::size_t(index.row())].inProtectedFolder)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

bool ResultModel::removeRows(int row, int count, const QModelIndex &parent)
{
    if (parent.isValid() || row < 0 || count <= 0 || row + count > rowCount())
        return false;
    CheckedTotal total = checked_;
    for (int i = row; i < row + count; ++i)
        if (const Entry &entry = entries_[std::size_t(i)]; entry.checked)
            total.remove(entry.identity.size);
    beginRemoveRows({}, row, row + count - 1);
    entries_.erase(entries_.begin() + row, entries_.begin() + row + count);
    endRemoveRows();
    setCheckedTotal(total);
    return true;
}

void ResultModel::removeRowSet(std::span<const int> rows)
{
    if (rows.empty())
        return;
    const int count = int(rows.size());
    if (rows.back() - rows.front() + 1 == count) {
        removeRows(rows.front(), count);
        return;
    }
    gatherAtEnd(rows);
    removeRows(rowCount() - count, count);
}

// Moves the given rows behind all others, in order, as one layout change:
// one pass over the list instead of a removal per scattered row.
void ResultModel::gatherAtEnd(std::span<const int> rows)
{
    const int n = rowCount();
    std::vector<bool> leaving(std::size_t(n), false);
    for (int row : rows)
        leaving[std::size_t(row)] = true;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> moved(static_cast<std::size_t>(n));
    std::deque<Entry> reordered;
    for (const bool taking : {false, true})
        for (int i = 0; i < n; ++i)
            if (leaving[std::size_t(i)] == taking) {
                moved[std::size_t(i)] = int(reordered.size());
                reordered.push_back(entries_[std::size_t(i)]);
            }
    entries_.swap(reordered);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &old : before)
        after.append(index(moved[std::size_t(old.row())], old.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultModel::appendRows(std::span<ResultRow> rows)
{
    if (rows.empty())
        return;
    const int first = rowCount();
    CheckedTotal total = checked_;
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    for (const ResultRow &row : rows) {
        entries_.push_back({paths_.append(row.path), std::uint32_t(row.path.size()), row.group, row.protectionSerial,
                            row.checked, row.inProtectedFolder, 0, row.identity, nextId_++});
        if (row.checked)
            total.add(row.identity.size);
    }
    endInsertRows();
    setCheckedTotal(total);
}

void ResultModel::clear()
{
    beginResetModel();
    std::deque<Entry>().swap(entries_);
    paths_ = ChunkedNames();
    joined_.clear();
    endResetModel();
    setCheckedTotal({});
}

void ResultModel::applyKeepRule(KeepRule rule, int firstRow)
{
    const std::size_t n = entries_.size();
    std::size_t from = std::size_t(std::max(firstRow, 0));
    if (from >= n)
        return;
    if (sameGroupAsPrevious(from))
        --from; // its group goes on: the row before may be its last no longer
    std::size_t start = from;
    while (sameGroupAsPrevious(start))
        --start;
    std::size_t firstMarked = from;
    CheckedTotal total = checked_;
    for (std::size_t end; start < n; start = end) {
        end = start + 1;
        while (end < n && sameGroupAsPrevious(end))
            ++end;
        const auto at = [&](std::size_t i) { return entries_.begin() + std::ptrdiff_t(i); };
        // The group's part of the total goes out as it was and comes back as marked.
        total -= checkedIn(start, end);
        const std::size_t marked = start + MarkGroup(rule, at(start), at(end), from > start ? from - start : 0);
        total += checkedIn(start, end);
        firstMarked = std::min(firstMarked, marked);
    }
    emit dataChanged(index(int(firstMarked), PathColumn), index(int(n) - 1, PathColumn), {Qt::CheckStateRole});
    setCheckedTotal(total);
}

CheckedTotal ResultModel::checkedIn(std::size_t first, std::size_t last) const
{
    CheckedTotal total;
    for (std::size_t i = first; i < last; ++i)
        if (entries_[i].checked)
            total.add(entries_[i].identity.size);
    return total;
}

int ResultModel::rowWithId(std::uint64_t id) const
{
    const auto found = std::lower_bound(entries_.begin(), entries_.end(), id,
                                        [](const Entry &entry, std::uint64_t wanted) { return entry.id < wanted; });
    return found != entries_.end() && found->id == id ? int(found - entries_.begin()) : -1;
}

void ResultModel::setProtection(int i, bool inProtectedFolder, std::uint32_t serial)
{
    Entry &row = entries_[std::size_t(i)];
    row.protectionSerial = serial;
    if (row.inProtectedFolder == inProtectedFolder)
        return;
    row.inProtectedFolder = inProtectedFolder;
    const QModelIndex cell = index(i, PathColumn);
    emit dataChanged(cell, cell, {Qt::ToolTipRole});
}

void ResultModel::setJoined(int i, JoinedAs how, std::string_view withPath)
{
    joined_[entries_[std::size_t(i)].id] = {how, std::string(withPath)};
    const QModelIndex cell = index(i, PathColumn);
    emit dataChanged(cell, cell, {Qt::ToolTipRole});
}

void ResultModel::setIdentity(int i, const FileIdentity &identity)
{
    entries_[std::size_t(i)].identity = identity;
    emit dataChanged(index(i, SizeColumn), index(i, TimeColumn), {Qt::DisplayRole});
}

// Its own line below the path; none for a row no action joined.
QString ResultModel::joinedTip(const Entry &entry) const
{
    const auto found = joined_.find(entry.id);
    if (found == joined_.end())
        return {};
    const QString with = LocaleCompare::toDisplay(found->second.withPath);
    return QLatin1Char('\n')
        + (found->second.how == JoinedAs::HardLink ? QStringLiteral("A hard link to %1").arg(with)
                                                   : QStringLiteral("Shares storage with %1").arg(with));
}

int ResultModel::groupCount() const
{
    int groups = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        groups += sameGroupAsPrevious(i) ? 0 : 1;
    return groups;
}

void ResultModel::dropGroupsAfter(int lastGroup)
{
    int first = rowCount();
    while (first > 0 && entries_[std::size_t(first - 1)].group > lastGroup)
        --first;
    removeRows(first, rowCount() - first);
}

bool ResultModel::sameGroupAsPrevious(std::size_t i) const
{
    return i > 0 && entries_[i].group == entries_[i - 1].group;
}
