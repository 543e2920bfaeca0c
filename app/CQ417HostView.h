#pragma once

#include <QTableView>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "LinkEvent.h"
#include "UiActivity.h"
#include "UploadReport.h"

namespace q417 {

class CEditLocationDlg;
class CMainFrame;
class CQ417HostDoc;
class CReadoutLink;
class DocumentUser;
class LinkDispatcher;
class SiteListModel;
struct HostSettings;

// The site list: one row per site, six columns, the ID edited in place. Its rows are the
// working copy of the document's sites. It starts the link when first shown, answers the link's
// events (offer the download, merge it), copies rows to the clipboard and moves a row that is
// dragged. All window thread.
class CQ417HostView : public QTableView {
    Q_OBJECT

  public:
    struct Context {
        CMainFrame& frame;
        HostSettings& settings;
        CReadoutLink& link;
        LinkDispatcher& dispatcher;
        DocumentUser& user;
        UiActivity& activity;
    };

    CQ417HostView(SiteListModel& model, const Context& context, QWidget* parent = nullptr);
    ~CQ417HostView() override;

    // The document now shown (after New or Open); the first call starts the link.
    void InitialUpdate(CQ417HostDoc& document);
    [[nodiscard]] CMainFrame& Frame() const { return frame_; }
    [[nodiscard]] SiteListModel& Model() const { return model_; }
    [[nodiscard]] RequesterId Requester() const { return requester_; }

    // Opens the in-place editor of index (QAbstractItemView's slot).
    using QTableView::edit;

    // Commands.
    void NewSite();
    void EditLocation();
    void DeleteSelectedSites();
    // True when the text reached the clipboard.
    bool CopySelection();
    void Cut();
    void SelectAllRows();
    void ToggleGridLines();

    // Row moving: the steps of a drag, public so the rules can be exercised directly.
    // BeginDrag refuses more than one selected row; pos is in the viewport's coordinates.
    bool BeginDrag();
    void DragMove(QPoint pos, bool leftButtonDown);
    void Drop(QPoint pos);
    [[nodiscard]] bool Dragging() const { return dragging_; }
    // While a drag rests on the first or last visible row, or beyond it, the list scrolls a
    // row at each tick of a timer; this is its tick.
    void DragScrollTick();
    [[nodiscard]] bool DragScrolling() const { return dragScrollTimer_.isActive(); }
    // Alt+Up and Alt+Down: the selected row one place up (step -1) or down (+1), as a drag
    // would move it. False when nothing moved.
    bool MoveSelectedRow(int step);

    // The link's events for every window: a woken readout's rate, the download question when
    // a readout is ready, the merge of a finished download.
    void OnLinkEvent(const LinkEventKind& event);
    // The next completed download goes to claim instead of being merged: an upload that reads
    // the readout's records first. An empty function withdraws the claim.
    void ClaimNextDownload(std::function<void()> claim) { downloadClaim_ = std::move(claim); }
    [[nodiscard]] bool DownloadClaimed() const { return static_cast<bool>(downloadClaim_); }

    // Selected rows, ascending.
    [[nodiscard]] std::vector<int> SelectedRows() const;
    [[nodiscard]] int FirstSelectedRow() const;

  Q_SIGNALS:
    // WM_VIEW_SELECTION and WM_VIEW_DRAG to the main frame.
    void selectionPresent(bool rowSelected);
    void dragPosition(int topRow, int hotRow);
    // The link's results for the jobs this view submitted (downloads, uploads, clock syncs).
    void linkResult(const q417::LinkEvent& event);
    // A finished download was merged into the document (or opened its data file).
    void downloadMerged();

  protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void keyboardSearch(const QString& search) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    // The Edit Location dialog for row; true when it ended with OK and the location was taken.
    bool EditLocationOf(int row);
    void SizeColumnsToTitles();
    void SizeColumnsToRows();
    // Widens the Location column when row's location no longer fits it.
    void FitLocationColumn(int row);
    // The row the keyboard acts on: the current row when it is selected, else the first
    // selected row; -1 when none is selected.
    [[nodiscard]] int KeyboardRow() const;
    // Scrolls up or down until row is fully in view, leaving the horizontal scroll as it is.
    void ScrollRowIntoView(int row);
    void SelectRow(int row);
    void NotifySelection();
    // The link events that waited while the window was busy, newest first.
    void HandlePendingEvent();
    // The two link events the view acts on once the window is idle.
    enum class PendingLinkEvent { None, ReadoutReady, DownloadComplete };
    void HandleEvent(PendingLinkEvent event);
    void SetHotTracking(bool on);
    void EndDrag();
    // Where a drop at pos puts the dragged row: before the row returned, or at the end for -1.
    // A pointer above or below the list counts as resting on its first or last visible row.
    [[nodiscard]] int DropRowAt(QPoint pos) const;
    struct DragScroll {
        int direction = 0;  // -1 up, 1 down, 0 none
        int rows = 0;       // per tick: more the further the pointer is beyond the list
    };
    [[nodiscard]] DragScroll DragScrollAt(QPoint pos) const;
    // Scrolls one tick; returns the row brought into view, -1 when the list cannot go further.
    int ScrollDragTick(DragScroll scroll);
    [[nodiscard]] int LastFullyVisibleRow() const;
    // MoveSiteRow, keeping in view the rows that were; returns where the row now stands.
    int MoveRowInView(int from, int to);

    SiteListModel& model_;
    CMainFrame& frame_;
    HostSettings& settings_;
    CReadoutLink& link_;
    LinkDispatcher& dispatcher_;
    DocumentUser& user_;
    UiActivity& activity_;
    CQ417HostDoc* document_ = nullptr;  // not owned; set by InitialUpdate
    RequesterId requester_ = 0;
    std::unique_ptr<CEditLocationDlg> editLocationDialog_;  // made at its first use, then kept

    bool dragging_ = false;
    bool hotTracking_ = false;
    int hotRow_ = -1;
    QPoint pressPos_;
    int pressRow_ = -1;
    QPoint dragPos_;  // the pointer's last place during a drag, for the scroll timer
    QTimer dragScrollTimer_;
    // A drag holds the window busy: a question or a merge of the link waits for the drop.
    std::optional<UiActivity::Scope> dragBusy_;

    // A link event waiting for the window to be idle.
    PendingLinkEvent pendingEvent_ = PendingLinkEvent::None;
    // The event being handled; the same event again is absorbed.
    PendingLinkEvent handlingEvent_ = PendingLinkEvent::None;
    std::function<void()> downloadClaim_;
};

}  // namespace q417
