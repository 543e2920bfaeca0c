#pragma once

#include <QWidget>
#include <memory>

#include "ReadoutContext.h"
#include "RecordImage.h"

class QStandardItemModel;
class QTableView;

namespace q417 {

// "Site Data": the site records the link holds from the readout, one row per site with its
// previous reading and up to 20 current readings in the readout's own unit. Selecting a row
// turns the column headers into that site's time stamps. Read-only; built once, at first show.
class CPageDataDlg : public QWidget {
    Q_OBJECT

  public:
    explicit CPageDataDlg(const ReadoutContext& context, QWidget* parent = nullptr);
    ~CPageDataDlg() override;

    [[nodiscard]] QTableView& List() { return *list_; }
    [[nodiscard]] QStandardItemModel& Rows() { return *model_; }

    static constexpr int kColumns = 22;  // description, previous reading, 20 current readings

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Build();
    void ShowTimesOf(int row);

    ReadoutContext context_;
    QStandardItemModel* model_;
    QTableView* list_;
    // The image the rows were built from, kept for the headers: the link may publish a new one.
    std::shared_ptr<const RecordImage> records_;
    bool built_ = false;
};

}  // namespace q417
