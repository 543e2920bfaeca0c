#include "CQ417HostView.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QShortcut>
#include <algorithm>

#include "CEditLocationDlg.h"
#include "CMainFrame.h"
#include "CQ417HostDoc.h"
#include "CReadoutLink.h"
#include "CommandIds.h"
#include "DocumentUser.h"
#include "HostSettings.h"
#include "LinkDispatcher.h"
#include "LinkJob.h"
#include "SiteIdDelegate.h"
#include "SiteListModel.h"
#include "SiteText.h"
#include "UiActivity.h"

namespace q417 {

namespace {

constexpr const char* kDownloadQuestion = "Would you like to download Q417 data?";
constexpr const char* kOneItemMessage = "Only one item can be moved at a time.";
constexpr const char* kClipboardFailedMessage =
    "The selection could not be put on the clipboard, so nothing was cut.";
// Room beside the widest text of a column.
constexpr int kColumnPadding = 20;
// How often a drag resting at an edge of the list scrolls it by a row.
constexpr int kDragScrollIntervalMs = 80;

}  // namespace

CQ417HostView::CQ417HostView(SiteListModel& model, const Context& context, QWidget* parent)
    : QTableView(parent),
      model_(model),
      frame_(context.frame),
      settings_(context.settings),
      link_(context.link),
      dispatcher_(context.dispatcher),
      user_(context.user),
      activity_(context.activity) {
    setObjectName(QStringLiteral("siteList"));
    setModel(&model_);
    setItemDelegateForColumn(SiteListView::kId, new SiteIdDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // As a report list: a click on a selected ID, or F2, edits it.
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    setShowGrid(false);

    connect(&model_, &SiteListModel::columnsReplaced, this, [this] {
        SizeColumnsToTitles();
        Q_EMIT selectionPresent(false);
    });
    connect(&model_, &SiteListModel::listFilled, this, &CQ417HostView::SizeColumnsToRows);
    connect(&model_, &QAbstractItemModel::modelReset, this, &CQ417HostView::NotifySelection);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CQ417HostView::NotifySelection);
    connect(&activity_, &UiActivity::idle, this, &CQ417HostView::HandlePendingEvent);
    dragScrollTimer_.setInterval(kDragScrollIntervalMs);
    connect(&dragScrollTimer_, &QTimer::timeout, this, &CQ417HostView::DragScrollTick);

    // Del and Ctrl+A act where the rows have the focus (the actions' shortcut context).
    addAction(frame_.Action(cmd::kDelete));
    addAction(frame_.Action(cmd::kSelectAll));
    // Shift+F10 opens the context menu, as the Menu key does, on this desktop.
    auto* menuKey = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this);
    menuKey->setContext(Qt::WidgetShortcut);
    connect(menuKey, &QShortcut::activated, this, [this] {
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                viewport()->mapToGlobal(QPoint(5, 5)));
        contextMenuEvent(&event);
    });

    // The view submits the uploads; their reports go on to whoever acts on them.
    requester_ = dispatcher_.AddRequester(
        this, [this](const LinkEvent& event) { Q_EMIT linkResult(event); });
    dispatcher_.SetViewWindow(this, [this](const LinkEvent& event) { OnLinkEvent(event.what); });
}

CQ417HostView::~CQ417HostView() {
    dispatcher_.WithdrawRequester(requester_);
}

void CQ417HostView::InitialUpdate(CQ417HostDoc& document) {
    document_ = &document;
    setShowGrid(settings_.gridLines != 0);
    frame_.SetGridLinesChecked(showGrid());
    EndDrag();
    if (!link_.Running()) {
        link_.SetDesiredBaud(settings_.baudRate);
        link_.SetPortNumber(settings_.portNum);
        link_.Start(dispatcher_);
    }
}

void CQ417HostView::SizeColumnsToTitles() {
    QHeaderView* header = horizontalHeader();
    for (int c = 0; c < model_.columnCount(); ++c) {
        resizeColumnToContents(c);
        setColumnWidth(c, std::max(header->sectionSizeHint(c), columnWidth(c)));
    }
}

void CQ417HostView::SizeColumnsToRows() {
    // One width for the text columns, from "Description" and the widest location and date.
    const QFontMetrics metrics = fontMetrics();
    int width = metrics.horizontalAdvance(QStringLiteral("Description"));
    for (int r = 0; r < model_.RowCount(); ++r) {
        for (const int c : {SiteListView::kLocation, SiteListView::kDateTime}) {
            width = std::max(width,
                             metrics.horizontalAdvance(QString::fromLatin1(model_.CellText(r, c))));
        }
    }
    // Never narrower than the column's title, which would be cut off.
    QHeaderView* header = horizontalHeader();
    for (int c = 1; c < model_.columnCount(); ++c) {
        setColumnWidth(c, std::max(width + kColumnPadding, header->sectionSizeHint(c)));
    }
    horizontalHeader()->setStretchLastSection(true);
}

void CQ417HostView::FitLocationColumn(int row) {
    if (model_.columnCount() <= SiteListView::kLocation) {
        return;
    }
    const int wanted = fontMetrics().horizontalAdvance(
                           QString::fromLatin1(model_.CellText(row, SiteListView::kLocation))) +
                       kColumnPadding;
    // Only wider: a column the user narrowed on purpose stays as it is for shorter names.
    if (wanted > columnWidth(SiteListView::kLocation)) {
        setColumnWidth(SiteListView::kLocation, wanted);
    }
}

std::vector<int> CQ417HostView::SelectedRows() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CQ417HostView::FirstSelectedRow() const {
    const std::vector<int> rows = SelectedRows();
    return rows.empty() ? -1 : rows.front();
}

int CQ417HostView::KeyboardRow() const {
    const QModelIndex current = currentIndex();
    if (current.isValid() && selectionModel()->isRowSelected(current.row(), {})) {
        return current.row();
    }
    return FirstSelectedRow();
}

void CQ417HostView::ScrollRowIntoView(int row) {
    if (row < 0 || row >= model_.RowCount()) {
        return;
    }
    // Up or down only: the columns the user scrolled to stay in view.
    QScrollBar* across = horizontalScrollBar();
    const int left = across->value();
    scrollTo(model_.index(row, 0));
    across->setValue(left);
}

void CQ417HostView::SelectRow(int row) {
    if (row < 0 || row >= model_.RowCount()) {
        return;
    }
    const QModelIndex index = model_.index(row, 0);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
}

void CQ417HostView::NotifySelection() {
    Q_EMIT selectionPresent(selectionModel()->hasSelection());
}

void CQ417HostView::NewSite() {
    if (document_ == nullptr) {
        return;
    }
    horizontalScrollBar()->setValue(horizontalScrollBar()->minimum());
    const int row = model_.AddSiteRow(FirstSelectedRow());
    if (row < 0) {
        user_.ShowMessage(kSiteListFullMessage, MessageIcon::Exclamation);
        return;
    }
    SelectRow(row);
    EditLocationOf(row);  // the new row stays also when the dialog is cancelled
}

void CQ417HostView::EditLocation() {
    const int row = FirstSelectedRow();
    if (row < 0 || document_ == nullptr) {
        return;
    }
    if (EditLocationOf(row)) {
        document_->SetModified(true);
    }
}

bool CQ417HostView::EditLocationOf(int row) {
    if (editLocationDialog_ == nullptr) {
        editLocationDialog_ = std::make_unique<CEditLocationDlg>(this);
    }
    CEditLocationDlg& dialog = *editLocationDialog_;
    dialog.siteText = QString::fromLatin1(model_.CellText(row, SiteListView::kId));
    dialog.locationText = QString::fromLatin1(model_.CellText(row, SiteListView::kLocation));
    UiActivity::Scope busy(activity_);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    model_.SetCellText(
        row, SiteListView::kLocation,
        CleanSiteText(dialog.locationText.toLatin1().toStdString(), kMaxLocationLength));
    FitLocationColumn(row);
    return true;
}

void CQ417HostView::DeleteSelectedSites() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty() || document_ == nullptr) {
        return;
    }
    const int next = model_.DeleteSiteRows(rows);
    SelectRow(next);
    setFocus();
}

bool CQ417HostView::CopySelection() {
    const std::string text = model_.CopyText(SelectedRows());
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    auto* mime = new QMimeData;
    // Plain text for every program, and the exact 8-bit bytes for those that ask for Latin-1.
    mime->setText(QString::fromLatin1(bytes));
    mime->setData(QStringLiteral("text/plain;charset=ISO-8859-1"), bytes);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(mime);
    return clipboard->text() == QString::fromLatin1(bytes);
}

void CQ417HostView::Cut() {
    if (SelectedRows().empty()) {
        return;
    }
    if (!CopySelection()) {
        user_.ShowMessage(kClipboardFailedMessage, MessageIcon::Exclamation);
        return;
    }
    DeleteSelectedSites();
}

void CQ417HostView::SelectAllRows() {
    selectAll();
}

void CQ417HostView::ToggleGridLines() {
    setShowGrid(!showGrid());
    settings_.gridLines = showGrid() ? 1 : 0;
    frame_.SetGridLinesChecked(showGrid());
}

bool CQ417HostView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    if (trigger == EditKeyPressed) {
        // F2 renumbers the selected row whichever of its cells was clicked last: only the ID
        // is edited in place.
        const int row = KeyboardRow();
        if (row < 0) {
            return false;
        }
        return QTableView::edit(model_.index(row, SiteListView::kId), trigger, event);
    }
    return QTableView::edit(index, trigger, event);
}

void CQ417HostView::keyboardSearch(const QString& search) {
    // Digits are what a technician types to renumber a site; they must not jump the selection
    // to the row whose ID happens to start with them. Letters still find a location.
    if (std::any_of(search.begin(), search.end(), [](QChar c) { return c.isDigit(); })) {
        return;
    }
    QTableView::keyboardSearch(search);
}

void CQ417HostView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::AltModifier &&
        (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        MoveSelectedRow(event->key() == Qt::Key_Up ? -1 : 1);
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

int CQ417HostView::MoveRowInView(int from, int to) {
    const int top = rowAt(0);
    QScrollBar* bar = verticalScrollBar();
    const int value = bar->value();
    const bool atEnd = value > bar->minimum() && value == bar->maximum();
    // The row that leaves is the current one: Qt would make a neighbour current and scroll to
    // it, far from where the row was dropped.
    const bool autoScrolling = hasAutoScroll();
    setAutoScroll(false);
    const int moved = model_.MoveSiteRow(from, to);
    setAutoScroll(autoScrolling);
    if (top < 0 || moved < 0) {
        return moved;
    }
    // The rows in view stay where they were. The top row's site is one index off when the
    // moved row crossed it.
    int keep = top;
    if (from < top && moved >= top) {
        keep = top - 1;
    } else if (from > top && moved <= top) {
        keep = top + 1;
    }
    if (verticalScrollMode() == ScrollPerPixel) {
        bar->setValue(value + (keep - top) * rowHeight(top));
    } else {
        // Scrolled to the end, the last row sits on the bottom edge: the rows below the drop
        // stay there instead, which the same end position keeps.
        bar->setValue(atEnd ? bar->maximum() : keep);
    }
    return moved;
}

bool CQ417HostView::MoveSelectedRow(int step) {
    if (dragging_ || document_ == nullptr || step == 0) {
        return false;
    }
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) {
        return false;
    }
    if (rows.size() > 1) {
        UiActivity::Scope busy(activity_);
        user_.ShowMessage(kOneItemMessage, MessageIcon::Exclamation);
        return false;
    }
    const int from = rows.front();
    // MoveSiteRow puts the row before its target: one further when moving down.
    const int to = step < 0 ? from - 1 : from + 2;
    if (to < 0 || to > model_.RowCount()) {
        return false;  // already first or last
    }
    const int column = std::max(currentIndex().column(), 0);
    const int moved = MoveRowInView(from, to);
    const QModelIndex index = model_.index(moved, column);
    selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
    return true;
}

void CQ417HostView::contextMenuEvent(QContextMenuEvent* event) {
    QPoint local;  // where the menu opens, in the viewport
    QPoint probe;  // the point that decides which menu
    if (event->reason() == QContextMenuEvent::Keyboard) {
        // At the row its commands act on, just below it so the row stays readable; at the
        // list's corner when no row is selected.
        const int row = FirstSelectedRow();
        if (row >= 0) {
            ScrollRowIntoView(row);
            const int top = rowViewportPosition(row);
            probe = QPoint(5, top + rowHeight(row) / 2);
            local = QPoint(5, top + rowHeight(row));
        } else {
            local = probe = QPoint(5, 5);
        }
    } else {
        local = probe = viewport()->mapFromGlobal(event->globalPos());
    }
    const bool onRow = indexAt(probe).isValid();
    QMenu menu(this);
    menu.addAction(frame_.Action(cmd::kNewSite));
    if (onRow) {
        menu.addAction(frame_.Action(cmd::kEditLocation));
        menu.addAction(frame_.Action(cmd::kDeleteSite));
        menu.addSeparator();
        menu.addAction(frame_.Action(cmd::kPlotReadings));
    }
    UiActivity::Scope busy(activity_);
    menu.exec(viewport()->mapToGlobal(local));
    event->accept();
}

void CQ417HostView::SetHotTracking(bool on) {
    hotTracking_ = on;
    if (!on) {
        hotRow_ = -1;
    }
    viewport()->update();
}

bool CQ417HostView::BeginDrag() {
    if (SelectedRows().size() > 1) {
        pressRow_ = -1;
        UiActivity::Scope busy(activity_);
        user_.ShowMessage(kOneItemMessage, MessageIcon::Exclamation);
        return false;
    }
    SetHotTracking(true);
    dragging_ = true;
    dragBusy_.emplace(activity_);
    return true;
}

void CQ417HostView::EndDrag() {
    dragging_ = false;
    dragScrollTimer_.stop();
    SetHotTracking(false);
    dragBusy_.reset();
}

int CQ417HostView::LastFullyVisibleRow() const {
    const int height = viewport()->height();
    int row = rowAt(height - 1);
    if (row < 0) {
        return model_.RowCount() - 1;  // the list ends above the bottom edge
    }
    if (rowViewportPosition(row) + rowHeight(row) > height && row > rowAt(0)) {
        --row;
    }
    return row;
}

int CQ417HostView::DropRowAt(QPoint pos) const {
    const int height = viewport()->height();
    if (pos.y() < 0) {
        return rowAt(0);
    }
    if (pos.y() >= height) {
        // Below the list: the end once the last row is in view, else the bottom visible row.
        const int last = model_.RowCount() - 1;
        return last < 0 || LastFullyVisibleRow() >= last ? -1 : rowAt(height - 1);
    }
    return rowAt(pos.y());
}

CQ417HostView::DragScroll CQ417HostView::DragScrollAt(QPoint pos) const {
    // The edges are one row high: resting on the first or last visible row scrolls, and so
    // does a pointer beyond them, the faster the further it is.
    const int band = std::max(verticalHeader()->defaultSectionSize(), 1);
    const int height = viewport()->height();
    const int perPage = std::max(height / band, 1);
    DragScroll scroll;
    int beyond = 0;
    if (pos.y() < band) {
        scroll.direction = -1;
        beyond = pos.y() < 0 ? -pos.y() / band : 0;
    } else if (pos.y() >= height - band) {
        scroll.direction = 1;
        beyond = pos.y() >= height ? (pos.y() - height) / band : 0;
    }
    scroll.rows = std::min(1 + beyond, perPage);
    return scroll;
}

int CQ417HostView::ScrollDragTick(DragScroll scroll) {
    const QScrollBar* bar = verticalScrollBar();
    const int count = model_.RowCount();
    if (count == 0 || scroll.direction == 0 ||
        (scroll.direction < 0 && bar->value() <= bar->minimum()) ||
        (scroll.direction > 0 && bar->value() >= bar->maximum())) {
        return -1;
    }
    const int target = scroll.direction < 0
                           ? std::max(std::max(rowAt(0), 0) - scroll.rows, 0)
                           : std::min(LastFullyVisibleRow() + scroll.rows, count - 1);
    ScrollRowIntoView(target);
    return target;
}

void CQ417HostView::DragMove(QPoint pos, bool leftButtonDown) {
    if (!dragging_) {
        return;
    }
    dragPos_ = pos;
    const int top = std::max(rowAt(0), 0);
    if (!leftButtonDown) {
        // The button came up where this list did not see it: the drag is over, nothing moves.
        EndDrag();
        Q_EMIT dragPosition(top, DropRowAt(pos));
        return;
    }
    const DragScroll scroll = DragScrollAt(pos);
    int hot = -1;
    if (scroll.direction == 0) {
        dragScrollTimer_.stop();
    } else if (!dragScrollTimer_.isActive()) {
        // The first row at once, the next ones at the timer's pace however the pointer moves.
        hot = ScrollDragTick(scroll);
        if (hot >= 0) {
            dragScrollTimer_.start();
        }
    }
    if (hot < 0) {
        hot = DropRowAt(pos);
    }
    hotRow_ = DropRowAt(pos);
    viewport()->update();
    Q_EMIT dragPosition(top, hot);
}

void CQ417HostView::DragScrollTick() {
    const int top = std::max(rowAt(0), 0);
    const int scrolledTo = dragging_ ? ScrollDragTick(DragScrollAt(dragPos_)) : -1;
    if (scrolledTo < 0) {
        dragScrollTimer_.stop();  // the pointer left the edge, or the list cannot go further
        return;
    }
    hotRow_ = DropRowAt(dragPos_);
    viewport()->update();
    Q_EMIT dragPosition(top, scrolledTo);
}

void CQ417HostView::Drop(QPoint pos) {
    if (!dragging_) {
        return;
    }
    int hot = DropRowAt(pos);
    const int source = FirstSelectedRow();
    if (source >= 0) {
        if (hot == -1) {
            hot = model_.RowCount();  // below the last row
        }
        SelectRow(MoveRowInView(source, hot));
        setFocus();
    }
    EndDrag();
}

void CQ417HostView::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    pressRow_ = -1;
    if (event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier) {
        pressRow_ = rowAt(event->position().toPoint().y());
        pressPos_ = event->position().toPoint();
    }
}

void CQ417HostView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const bool left = (event->buttons() & Qt::LeftButton) != 0;
    if (dragging_) {
        DragMove(pos, left);
        return;
    }
    if (left && pressRow_ >= 0) {
        // A press on a row moves the row rather than stretching the selection.
        if ((pos - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
            pressRow_ = -1;
            if (BeginDrag()) {
                DragMove(pos, left);
            }
        }
        return;
    }
    QTableView::mouseMoveEvent(event);
}

void CQ417HostView::mouseReleaseEvent(QMouseEvent* event) {
    pressRow_ = -1;
    if (dragging_ && event->button() == Qt::LeftButton) {
        Drop(event->position().toPoint());
        return;
    }
    QTableView::mouseReleaseEvent(event);
}

void CQ417HostView::paintEvent(QPaintEvent* event) {
    QTableView::paintEvent(event);
    if (!hotTracking_) {
        return;
    }
    // Where the dragged row will land: a line above the row under the pointer, or below the
    // last row.
    const int rows = model_.RowCount();
    int y = -1;
    if (hotRow_ >= 0) {
        y = rowViewportPosition(hotRow_);
    } else if (rows > 0) {
        y = rowViewportPosition(rows - 1) + rowHeight(rows - 1);
    }
    if (y < 0) {
        return;
    }
    QPainter painter(viewport());
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.drawLine(0, y, viewport()->width(), y);
}

void CQ417HostView::OnLinkEvent(const LinkEventKind& event) {
    if (std::holds_alternative<link_event::ReadoutWoken>(event)) {
        const int baud = link_.DesiredBaud();
        if (baud > 0) {
            settings_.baudRate = baud;
        }
        return;
    }
    PendingLinkEvent arrived = PendingLinkEvent::None;
    if (std::holds_alternative<link_event::ReadoutReady>(event)) {
        arrived = PendingLinkEvent::ReadoutReady;
    } else if (std::holds_alternative<link_event::DownloadComplete>(event)) {
        arrived = PendingLinkEvent::DownloadComplete;
    } else {
        return;
    }
    // The same event while its own question or merge is still open is already being answered.
    if (arrived == handlingEvent_) {
        return;
    }
    pendingEvent_ = arrived;  // a newer event supersedes one that has waited
    if (!activity_.Busy()) {
        HandlePendingEvent();
    }
}

void CQ417HostView::HandlePendingEvent() {
    while (pendingEvent_ != PendingLinkEvent::None && !activity_.Busy() &&
           handlingEvent_ == PendingLinkEvent::None) {
        const PendingLinkEvent event = std::exchange(pendingEvent_, PendingLinkEvent::None);
        handlingEvent_ = event;
        HandleEvent(event);
        handlingEvent_ = PendingLinkEvent::None;
    }
}

void CQ417HostView::HandleEvent(PendingLinkEvent event) {
    if (document_ == nullptr) {
        return;
    }
    UiActivity::Scope busy(activity_);
    if (event == PendingLinkEvent::ReadoutReady) {
        if (user_.AskYesNo(Question::DownloadData, kDownloadQuestion)) {
            link_.SubmitJob(JOB_DOWNLOAD, requester_);
        }
        return;
    }
    if (downloadClaim_) {
        std::exchange(downloadClaim_, {})();
        return;
    }
    const CQ417HostDoc::DownloadAcceptance accepted =
        document_->AcceptDownload(settings_.autoOpen != 0);
    if (!accepted.notOpened.empty()) {
        frame_.SetIdleMessage(QString::fromLatin1(accepted.notOpened));
    }
    if (accepted.syncClock && settings_.autoSync != 0) {
        link_.SubmitJob(JOB_SYNC_CLOCK, requester_);
    }
    Q_EMIT downloadMerged();
}

}  // namespace q417
