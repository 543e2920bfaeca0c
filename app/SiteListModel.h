#pragma once

#include <QAbstractTableModel>
#include <string>
#include <vector>

#include "SiteListView.h"

namespace q417 {

// The rows of the site list: the row storage the document's list operations work on, shown by
// the window's table. Cells are 8-bit texts as the files hold them; Qt sees them as Latin-1.
// Column 0 (the ID) is edited in place; every other change comes from the list operations.
class SiteListModel : public QAbstractTableModel, public SiteListView {
    Q_OBJECT

  public:
    explicit SiteListModel(QObject* parent = nullptr);

    // QAbstractTableModel
    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An ID edited in place: taken, and the document marked modified, only when it changed.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // SiteListView row storage
    [[nodiscard]] int RowCount() const override { return static_cast<int>(rows_.size()); }
    [[nodiscard]] std::string CellText(int row, int column) const override;
    void SetCellText(int row, int column, const std::string& text) override;
    void InsertRow(int row, const Row& cells) override;
    void RemoveRow(int row) override;
    [[nodiscard]] std::vector<std::string> Headers() const override { return columns_; }

  Q_SIGNALS:
    // FillList has added every row: the view sizes its columns to them.
    void listFilled();
    // The columns were replaced: the view sizes them to their titles.
    void columnsReplaced();

  protected:
    void RemoveAllRowsAndColumns() override;
    void AddColumns(const std::vector<std::string>& titles) override;
    void ListFilled() override { Q_EMIT listFilled(); }

  private:
    [[nodiscard]] bool ValidCell(int row, int column) const;

    std::vector<std::string> columns_;
    std::vector<Row> rows_;
};

}  // namespace q417
