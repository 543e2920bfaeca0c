#pragma once

#include <string>
#include <vector>

#include "SiteListView.h"

namespace q417 {

// A site list held in memory: the list of the command-line tool and of the tests.
class MemorySiteList : public SiteListView {
  public:
    [[nodiscard]] int RowCount() const override { return static_cast<int>(rows_.size()); }
    [[nodiscard]] std::string CellText(int row, int column) const override;
    void SetCellText(int row, int column, const std::string& text) override;
    void InsertRow(int row, const Row& cells) override;
    void RemoveRow(int row) override;
    [[nodiscard]] std::vector<std::string> Headers() const override { return columns_; }

    [[nodiscard]] const std::vector<Row>& Rows() const { return rows_; }
    [[nodiscard]] const std::vector<std::string>& Columns() const { return columns_; }

  protected:
    void RemoveAllRowsAndColumns() override;
    void AddColumns(const std::vector<std::string>& titles) override;

  private:
    std::vector<std::string> columns_;
    std::vector<Row> rows_;
};

}  // namespace q417
