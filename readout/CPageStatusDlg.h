#pragma once

#include <QBasicTimer>
#include <QWidget>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ReadoutContext.h"

class QStandardItemModel;
class QTreeView;

namespace q417 {

// "Status": the readout's status rows (ReadoutStatusRows) as label and value, its clock running
// on. The list is built when the page is first shown and rebuilt on activation after a write.
class CPageStatusDlg : public QWidget {
    Q_OBJECT

  public:
    explicit CPageStatusDlg(const ReadoutContext& context, QWidget* parent = nullptr);
    ~CPageStatusDlg() override;

    // The sheet selected this page: rebuild the rows when a write has changed the readout.
    void OnSetActive();
    // A write has changed the readout: the rows are rebuilt when the page is next selected.
    void MarkStale() { stale_ = true; }
    [[nodiscard]] bool Stale() const { return stale_; }
    // Once a second: the clock row shows the readout's clock advanced to now, or "(no answer)"
    // while the readout has not told its clock.
    void Tick();

    [[nodiscard]] int RowCount() const;
    // Empty for a row the page does not have.
    [[nodiscard]] QString Label(int row) const;
    [[nodiscard]] QString Value(int row) const;
    // The stable key of a row, and the row of a key (-1 when no row has it).
    [[nodiscard]] const std::string& Key(int row) const;
    [[nodiscard]] int RowOf(std::string_view key) const;
    [[nodiscard]] bool Ticking() const { return timer_.isActive(); }
    [[nodiscard]] QTreeView& List() { return *list_; }

    // The widths of the label and value columns for the widest label and value: each the text
    // and 50 pixels, but the value column gives up as much of its 50 as it takes to fit `room`,
    // though never its text and `padding`. So a horizontal scroll bar comes only when the texts
    // themselves do not fit, not for a few pixels of spare.
    [[nodiscard]] static std::pair<int, int> ColumnWidths(int labelWidth, int valueWidth, int room,
                                                          int padding);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    void Fill();
    // Column widths for the room the list has now.
    void FitColumns();
    [[nodiscard]] QString ClockText() const;

    ReadoutContext context_;
    bool stale_ = true;  // the rows do not show the readout as it is now
    QStandardItemModel* model_;
    QTreeView* list_;
    QBasicTimer timer_;
    std::vector<std::string> keys_;  // of the rows shown, in their order
    bool built_ = false;
    int labelWidth_ = 0;  // widest label and value of the last fill, in pixels
    int valueWidth_ = 0;
};

}  // namespace q417
