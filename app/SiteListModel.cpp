#include "SiteListModel.h"

#include <algorithm>

#include "CQ417HostDoc.h"
#include "SiteText.h"

namespace q417 {

SiteListModel::SiteListModel(QObject* parent) : QAbstractTableModel(parent) {}

int SiteListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int SiteListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant SiteListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !ValidCell(index.row(), index.column())) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return QString::fromLatin1(CellText(index.row(), index.column()));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant SiteListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 ||
        section >= static_cast<int>(columns_.size())) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return QString::fromLatin1(columns_[static_cast<std::size_t>(section)]);
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return {};
}

Qt::ItemFlags SiteListModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == kId) {
        result |= Qt::ItemIsEditable;
    }
    return result;
}

bool SiteListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.column() != kId ||
        !ValidCell(index.row(), kId)) {
        return false;
    }
    // The editor refuses what may not be typed; text pasted some other way is cleaned here too.
    const std::string text = CleanSiteText(value.toString().toLatin1().toStdString(), kMaxIdLength);
    if (text == CellText(index.row(), kId)) {
        return false;
    }
    SetCellText(index.row(), kId, text);
    if (Document() != nullptr) {
        Document()->SetModified(true);
    }
    return true;
}

bool SiteListModel::ValidCell(int row, int column) const {
    return row >= 0 && row < RowCount() && column >= 0 && column < kColumnCount;
}

std::string SiteListModel::CellText(int row, int column) const {
    if (!ValidCell(row, column)) {
        return {};
    }
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void SiteListModel::SetCellText(int row, int column, const std::string& text) {
    if (!ValidCell(row, column)) {
        return;
    }
    std::string& cell = rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    if (cell == text) {
        return;
    }
    cell = text;
    const QModelIndex changed = index(row, column);
    Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

void SiteListModel::InsertRow(int row, const Row& cells) {
    row = std::clamp(row, 0, RowCount());
    beginInsertRows({}, row, row);
    rows_.insert(rows_.begin() + row, cells);
    endInsertRows();
}

void SiteListModel::RemoveRow(int row) {
    if (row < 0 || row >= RowCount()) {
        return;
    }
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void SiteListModel::RemoveAllRowsAndColumns() {
    beginResetModel();
    rows_.clear();
    columns_.clear();
    endResetModel();
}

void SiteListModel::AddColumns(const std::vector<std::string>& titles) {
    if (titles.empty()) {
        return;
    }
    const int first = static_cast<int>(columns_.size());
    beginInsertColumns({}, first, first + static_cast<int>(titles.size()) - 1);
    columns_.insert(columns_.end(), titles.begin(), titles.end());
    endInsertColumns();
    Q_EMIT columnsReplaced();
}

}  // namespace q417
