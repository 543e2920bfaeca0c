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
        InsertRow(i,
                  Row{site.id, site.location, noReading ? std::string() : site.dateTime,
                      noReading ? std::string() : site.latestData, site.units, site.serialNumber});
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
    }
    document_->SetHasData(true);
    return rows - count;
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

void SiteListView::DetectDocumentUnit() {
    if (document_ != nullptr) {
        document_->DetectDocumentUnit();
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

}  // namespace q417
