#include "CPageStatusDlg.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QStyle>
#include <QTimerEvent>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "CReadoutLink.h"
#include "ReadoutStatusRows.h"

namespace q417 {

namespace {

constexpr int kTickMs = 1000;
constexpr int kColumnSpacePx = 50;  // beyond the widest text of each column

}  // namespace

CPageStatusDlg::CPageStatusDlg(const ReadoutContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      model_(new QStandardItemModel(0, 2, this)),
      list_(new QTreeView(this)) {
    setWindowTitle(QStringLiteral("Status"));
    list_->setModel(model_);
    list_->setHeaderHidden(true);
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setUniformRowHeights(true);
    list_->header()->setStretchLastSection(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    // The room changes when the vertical scroll bar comes or goes.
    list_->viewport()->installEventFilter(this);
}

CPageStatusDlg::~CPageStatusDlg() = default;

void CPageStatusDlg::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!built_) {
        built_ = true;
        Fill();
        timer_.start(kTickMs, this);
    }
}

void CPageStatusDlg::OnSetActive() {
    if (built_ && stale_) {
        Fill();
    }
}

void CPageStatusDlg::Fill() {
    const std::vector<StatusRow> rows =
        ReadoutStatusRows(context_.link.Settings(), CalendarNow(context_));
    model_->removeRows(0, model_->rowCount());
    const QFontMetrics metrics(list_->font());
    labelWidth_ = 0;
    valueWidth_ = 0;
    keys_.clear();
    for (const StatusRow& row : rows) {
        keys_.push_back(row.key);
        const QString label = QString::fromLatin1(row.label);
        const QString value = QString::fromLatin1(row.value);
        auto* labelItem = new QStandardItem(label);
        auto* valueItem = new QStandardItem(value);
        model_->appendRow({labelItem, valueItem});
        labelWidth_ = std::max(labelWidth_, metrics.horizontalAdvance(label));
        valueWidth_ = std::max(valueWidth_, metrics.horizontalAdvance(value));
    }
    FitColumns();
    stale_ = false;
}

std::pair<int, int> CPageStatusDlg::ColumnWidths(int labelWidth, int valueWidth, int room,
                                                 int padding) {
    const int label = labelWidth + kColumnSpacePx;
    const int value = std::min(valueWidth + kColumnSpacePx, room - label);
    return {label, std::max(value, valueWidth + padding)};
}

void CPageStatusDlg::FitColumns() {
    if (!built_) {
        return;
    }
    // A cell's text stands this far in from either side of it.
    const int textMargin =
        list_->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list_) + 1;
    const auto [label, value] =
        ColumnWidths(labelWidth_, valueWidth_, list_->viewport()->width(), 2 * textMargin);
    list_->setColumnWidth(0, label);
    list_->setColumnWidth(1, value);
}

bool CPageStatusDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::Resize) {
        FitColumns();
    }
    return QWidget::eventFilter(watched, event);
}

QString CPageStatusDlg::ClockText() const {
    return QString::fromLatin1(ReadoutClockText(context_.link.Settings(), CalendarNow(context_)));
}

void CPageStatusDlg::Tick() {
    if (const int row = RowOf(kClockRowKey); row >= 0) {
        model_->item(row, 1)->setText(ClockText());
    }
}

void CPageStatusDlg::timerEvent(QTimerEvent* event) {
    if (event->timerId() == timer_.timerId()) {
        Tick();
        return;
    }
    QWidget::timerEvent(event);
}

int CPageStatusDlg::RowCount() const {
    return model_->rowCount();
}

QString CPageStatusDlg::Label(int row) const {
    const QStandardItem* item = model_->item(row, 0);
    return item != nullptr ? item->text() : QString();
}

QString CPageStatusDlg::Value(int row) const {
    const QStandardItem* item = model_->item(row, 1);
    return item != nullptr ? item->text() : QString();
}

const std::string& CPageStatusDlg::Key(int row) const {
    return keys_.at(static_cast<std::size_t>(row));
}

int CPageStatusDlg::RowOf(std::string_view key) const {
    const auto found = std::find(keys_.begin(), keys_.end(), key);
    return found == keys_.end() ? -1 : static_cast<int>(found - keys_.begin());
}

}  // namespace q417
