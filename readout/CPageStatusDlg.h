#pragma once

#include <QBasicTimer>
#include <QWidget>

#include "ReadoutContext.h"

class QStandardItemModel;
class QTreeView;

namespace q417 {

// "Status": twelve facts about the readout as label and value rows, its clock running on. The
// list is built when the page is first shown and rebuilt on activation after a write.
class CPageStatusDlg : public QWidget {
    Q_OBJECT

  public:
    CPageStatusDlg(const ReadoutContext& context, int* statusNeedsRefresh,
                   QWidget* parent = nullptr);
    ~CPageStatusDlg() override;

    // The sheet selected this page: rebuild the rows when a write has changed the readout.
    void OnSetActive();
    // Once a second: the clock row shows the readout's clock advanced to now, or "(no answer)"
    // while the readout has not told its clock.
    void Tick();

    [[nodiscard]] int RowCount() const;
    [[nodiscard]] QString Label(int row) const;
    [[nodiscard]] QString Value(int row) const;
    [[nodiscard]] bool Ticking() const { return timer_.isActive(); }
    [[nodiscard]] QTreeView& List() { return *list_; }

    static constexpr int kClockRow = 9;

  protected:
    void showEvent(QShowEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    void Fill();
    [[nodiscard]] QString ClockText() const;

    ReadoutContext context_;
    int* statusNeedsRefresh_;
    QStandardItemModel* model_;
    QTreeView* list_;
    QBasicTimer timer_;
    bool built_ = false;
};

}  // namespace q417
