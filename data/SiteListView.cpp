#include "SiteListView.h"

#include <algorithm>

#include "CQ417HostDoc.h"
#include "UnitConversion.h"
#include "ValueText.h"

namespace q417 {

std::vector<std::string> SiteListView::ColumnTitles() {
    return {"ID   ", "Location", "Date/Time", "Latest Data", "Units", "Serial Number"};
}

void SiteListView::ClearList() {
    RemoveAllRowsAndColumns();
    rowReadings_.clear();
}

void SiteListView::InsertColumns(const std::vector<std::string>& titles) {
    AddColumns(titles);
}

void SiteListView::FillList() {
    InsertColumns(ColumnTitles());
    if (document_ == nullptr || !document_->HasSiteArray()) {
        ListFilled();
        return;
    }
    const int count = std::min(document_->SiteCount(), kMaxSites);
    for (int i = 0; i < count; ++i) {
        const SiteRecord& site = document_->Site(i);
        const bool noReading = site.dateTime == kNoReadingDateTime;
        InsertSiteRow(
            i,
            Row{site.id, site.location, noReading ? std::string() : site.dateTime,
                noReading ? std::string() : site.latestData, site.units, site.serialNumber},
            site.readings);
    }
    ListFilled();
}

int SiteListView::SyncFromList() {
    if (document_ == nullptr) {
        return 0;
    }
    const int rows = RowCount();
    const int count = std::min(rows, kMaxSites);
    if (!document_->EnsureSiteArray()) {
        return rows;
    }
    document_->SetSiteCount(count);
    for (int i = 0; i < count; ++i) {
        SiteRecord& site = document_->Site(i);
        site.id = CellText(i, kId);
        site.location = CellText(i, kLocation);
        const std::string dateTime = CellText(i, kDateTime);
        const std::string latestData = CellText(i, kLatestData);
        if (dateTime.empty() || latestData.empty()) {
            site.dateTime = kNoReadingDateTime;
            site.latestData = kNoReadingValue;
        } else {
            site.dateTime = dateTime;
            site.latestData = latestData;
        }
        site.units = CellText(i, kUnits);
        site.serialNumber = CellText(i, kSerial);
        site.readings = RowReadings(i);
    }
    document_->SetHasData(true);
    return rows - count;
}

StoredReadings SiteListView::RowReadings(int row) const {
    if (!ReadingsFollowRows() || row < 0 || row >= RowCount()) {
        return {};
    }
    return rowReadings_[static_cast<std::size_t>(row)];
}

void SiteListView::SetRowReadings(int row, const StoredReadings& readings) {
    if (ReadingsFollowRows() && row >= 0 && row < RowCount()) {
        rowReadings_[static_cast<std::size_t>(row)] = readings;
    }
}

bool SiteListView::ReadingsFollowRows() const {
    return static_cast<int>(rowReadings_.size()) == RowCount();
}

void SiteListView::InsertSiteRow(int row, const Row& cells, const StoredReadings& readings) {
    const bool following = ReadingsFollowRows();
    InsertRow(row, cells);
    if (following) {
        rowReadings_.insert(rowReadings_.begin() + std::clamp(row, 0, RowCount() - 1), readings);
    }
}

void SiteListView::RemoveSiteRow(int row) {
    const bool following = ReadingsFollowRows();
    RemoveRow(row);
    if (following && row >= 0 && row < static_cast<int>(rowReadings_.size())) {
        rowReadings_.erase(rowReadings_.begin() + row);
    }
}

void SiteListView::RenumberSites() {
    if (document_ == nullptr) {
        return;
    }
    const int count = std::min(document_->SiteCount(), RowCount());
    for (int i = 0; i < count; ++i) {
        SetCellText(i, kId, std::to_string(i + 1));
    }
}

bool SiteListView::ConvertDisplayedValues(PressureUnit newUnit, PressureUnit oldUnit) {
    if (document_ == nullptr || !document_->HasSiteArray()) {
        return false;
    }
    if (document_->HasData()) {
        const int count = std::min(document_->SiteCount(), RowCount());
        for (int i = 0; i < count; ++i) {
            const double value = ParseValue(CellText(i, kLatestData));
            SetCellText(i, kLatestData, FormatValue(ConvertValue(value, oldUnit, newUnit)));
        }
    }
    return true;
}

void SiteListView::SetUnitsColumn(PressureUnit unit) {
    if (document_ == nullptr || !document_->HasData()) {
        return;
    }
    const int count = std::min(document_->SiteCount(), RowCount());
    const std::string name = UnitsColumnName(unit);
    for (int i = 0; i < count; ++i) {
        SetCellText(i, kUnits, name);
    }
}

void SiteListView::ApplyUnitCommand(PressureUnit unit) {
    if (document_ == nullptr || !ConvertDisplayedValues(unit, document_->DocumentUnit())) {
        return;
    }
    document_->SetDocumentUnit(unit);
    SetUnitsColumn(unit);
}

int SiteListView::AddSiteRow(int firstSelectedRow) {
    if (RowCount() >= kMaxSites) {
        return -1;
    }
    const int row =
        firstSelectedRow >= 0 && firstSelectedRow < RowCount() ? firstSelectedRow : RowCount();
    StoredReadings none;
    none.readoutRecord = kNoReadoutRecord;
    InsertSiteRow(row, Row{std::to_string(row + 1), "", "", "", "", ""}, none);
    RowsChanged();
    return row;
}

int SiteListView::DeleteSiteRows(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [this](int r) { return r < 0 || r >= RowCount(); }),
               rows.end());
    if (rows.empty()) {
        return -1;
    }
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        RemoveSiteRow(*it);
    }
    int select = rows.front();
    if (select >= RowCount()) {
        select = select - 1;
    }
    RowsChanged();
    return select;
}

int SiteListView::MoveSiteRow(int from, int to) {
    const int rows = RowCount();
    if (from < 0 || from >= rows) {
        return -1;
    }
    to = std::clamp(to, 0, rows);
    Row cells;
    for (int c = 0; c < kColumnCount; ++c) {
        cells[static_cast<std::size_t>(c)] = CellText(from, c);
    }
    InsertSiteRow(to, cells, RowReadings(from));
    RemoveSiteRow(to < from ? from + 1 : from);
    RowsChanged();
    return to > from ? to - 1 : to;
}

std::string SiteListView::CopyText(std::vector<int> rows) const {
    constexpr std::size_t kMaxTitleLength = 255;
    const std::vector<std::string> headers = Headers();
    std::string text = "Site";
    for (std::size_t c = 1; c < headers.size(); ++c) {
        text += "," + headers[c].substr(0, kMaxTitleLength);
    }
    text += "\r\n";
    std::sort(rows.begin(), rows.end());
    for (int row : rows) {
        if (row < 0 || row >= RowCount()) {
            continue;
        }
        text += std::to_string(row + 1);
        for (std::size_t c = 1; c < headers.size(); ++c) {
            text += "," + CellText(row, static_cast<int>(c));
        }
        text += "\r\n";
    }
    return text;
}

void SiteListView::RowsChanged() {
    if (document_ == nullptr) {
        return;
    }
    document_->SetSiteCount(RowCount());
    document_->SetModified(true);
    RenumberSites();
}

}  // namespace q417
