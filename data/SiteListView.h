#pragma once

#include <array>
#include <string>
#include <vector>

#include "PressureUnit.h"
#include "SiteRecord.h"

namespace q417 {

class CQ417HostDoc;

// The site list as the document sees it: the rows the user edits, and the operations the
// document calls on them. The operations are written here once; a concrete list (the window's
// list control, or MemorySiteList) supplies only the row storage below.
class SiteListView {
  public:
    static constexpr int kColumnCount = 6;
    enum Column { kId = 0, kLocation = 1, kDateTime = 2, kLatestData = 3, kUnits = 4, kSerial = 5 };
    using Row = std::array<std::string, kColumnCount>;

    // The column titles, in column order ("ID" and three blanks first).
    [[nodiscard]] static std::vector<std::string> ColumnTitles();

    virtual ~SiteListView() = default;

    // The document the list shows; set by the document when the list is attached to it.
    void SetDocument(CQ417HostDoc* document) { document_ = document; }
    [[nodiscard]] CQ417HostDoc* Document() const { return document_; }

    // Removes every row and every column.
    void ClearList();
    void InsertColumns(const std::vector<std::string>& titles);
    // The six columns, then one row per site in array order. A site without a reading shows
    // empty Date/Time and Latest Data cells.
    void FillList();
    // Rebuilds the document's site array from the rows, the first kMaxSites of them, each
    // with the stored readings of its row. Returns how many rows did not fit (0 normally).
    int SyncFromList();
    // The stored readings that go with row wherever it moves: those of the site it was filled
    // from, none for a New Site. A row the list did not add through these operations stands
    // for the readout record at its place.
    [[nodiscard]] StoredReadings RowReadings(int row) const;
    void SetRowReadings(int row, const StoredReadings& readings);
    // Writes 1, 2, 3, ... into the ID column.
    void RenumberSites();
    // Rewrites the Latest Data cells from oldUnit into newUnit. False, with nothing changed,
    // when the document has no site array.
    bool ConvertDisplayedValues(PressureUnit newUnit, PressureUnit oldUnit);
    void SetUnitsColumn(PressureUnit unit);
    // A command of the Units menu: converts the shown values and makes unit the document's.
    void ApplyUnitCommand(PressureUnit unit);

    // Row edits of the user. Each keeps the document's site count equal to the rows, marks the
    // document modified and renumbers the ID column.

    // New Site: an empty row above firstSelectedRow, or at the end when it is -1. Returns the
    // new row, or -1 when the list is full (kMaxSites rows), with nothing added.
    int AddSiteRow(int firstSelectedRow);
    // Deletes the given rows (any order). Returns the row to select afterwards: the lowest
    // deleted index, or the new last row when that is past the end; -1 for an empty list.
    int DeleteSiteRows(std::vector<int> rows);
    // Moves row from so that it stands before row to (to = RowCount() moves it to the end).
    // Returns where it now stands.
    int MoveSiteRow(int from, int to);
    // The clipboard text of the given rows: "Site" and the other column titles, then per row its
    // position (1-based, not its ID) and its other cells, each line ended by CR LF.
    [[nodiscard]] std::string CopyText(std::vector<int> rows) const;

    // Row storage.
    [[nodiscard]] virtual int RowCount() const = 0;
    [[nodiscard]] virtual std::string CellText(int row, int column) const = 0;
    virtual void SetCellText(int row, int column, const std::string& text) = 0;
    virtual void InsertRow(int row, const Row& cells) = 0;
    virtual void RemoveRow(int row) = 0;
    // The column titles as the list shows them.
    [[nodiscard]] virtual std::vector<std::string> Headers() const = 0;

  protected:
    virtual void RemoveAllRowsAndColumns() = 0;
    virtual void AddColumns(const std::vector<std::string>& titles) = 0;
    // Called when FillList has added every row, for a list that sizes its columns.
    virtual void ListFilled() {}

  private:
    // After rows were added, deleted or moved.
    void RowsChanged();

    // Inserts and removes a row together with its readings.
    void InsertSiteRow(int row, const Row& cells, const StoredReadings& readings);
    void RemoveSiteRow(int row);
    [[nodiscard]] bool ReadingsFollowRows() const;

    CQ417HostDoc* document_ = nullptr;  // not owned
    // Row by row beside the cells, which hold texts only.
    std::vector<StoredReadings> rowReadings_;
};

}  // namespace q417
