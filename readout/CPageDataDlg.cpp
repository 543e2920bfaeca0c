#include "CPageDataDlg.h"

#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "CReadoutLink.h"
#include "ReadoutSiteRecord.h"
#include "ReadoutTime.h"

namespace q417 {

namespace {

constexpr int kNameSpacePx = 20;  // beyond the widest site name
const QString kDescription = QStringLiteral("Description");
const QString kPreviousReading = QStringLiteral("Previous reading");
const QString kCurrentReading = QStringLiteral("Current reading   ");

QString ValueText(float value) {
    return QString::asprintf("%.5f", static_cast<double>(value));
}

QString TimeText(std::uint32_t readoutSeconds) {
    return QString::fromLatin1(FormatReadoutTime(readoutSeconds));
}

}  // namespace

CPageDataDlg::CPageDataDlg(const ReadoutContext& context, QWidget* parent)
    : QWidget(parent),
      context_(context),
      model_(new QStandardItemModel(0, kColumns, this)),
      list_(new QTableView(this)) {
    setWindowTitle(QStringLiteral("Site Data"));
    list_->setModel(model_);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setShowGrid(false);
    list_->setWordWrap(false);
    list_->verticalHeader()->hide();
    // Rows as dense as a report list's, not a spreadsheet's.
    list_->verticalHeader()->setMinimumSectionSize(0);
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 4);
    list_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->horizontalHeader()->setHighlightSections(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    // With no row selected the headers keep the times of the last one.
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList selected = list_->selectionModel()->selectedRows();
        if (!selected.isEmpty()) {
            ShowTimesOf(selected.first().row());
        }
    });
}

CPageDataDlg::~CPageDataDlg() = default;

void CPageDataDlg::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!built_) {
        built_ = true;
        Build();
    }
}

void CPageDataDlg::Build() {
    model_->setHorizontalHeaderItem(0, new QStandardItem(kDescription));
    model_->setHorizontalHeaderItem(1, new QStandardItem(kPreviousReading));
    for (int column = 2; column < kColumns; ++column) {
        model_->setHorizontalHeaderItem(column, new QStandardItem(kCurrentReading));
    }
    QHeaderView& header = *list_->horizontalHeader();
    for (int column = 1; column < kColumns; ++column) {
        list_->setColumnWidth(column, header.sectionSizeHint(column));
    }

    const ReadoutSettings settings = context_.link.Settings();
    records_ = settings.records;
    // The count comes from the readout: never read past the image, whatever it says.
    const int count = records_ ? std::clamp(settings.recordCount, 0, kRecordCapacity) : 0;
    const QFontMetrics metrics(list_->font());
    int nameWidth = metrics.horizontalAdvance(kDescription);
    for (int i = 0; i < count; ++i) {
        const ReadoutSiteRecord record = ReadoutSiteRecord::Read(*records_, i);
        const QString name = QString::fromLatin1(record.name);
        nameWidth = std::max(nameWidth, metrics.horizontalAdvance(name));
        QList<QStandardItem*> cells;
        cells.append(new QStandardItem(name));
        cells.append(new QStandardItem(
            record.referenceValue != 0.0f ? ValueText(record.referenceValue) : QString()));
        for (int k = 0; k < ReadoutSiteRecord::kMaxReadings; ++k) {
            cells.append(new QStandardItem(
                k < record.readingCount ? ValueText(record.readings[k].value) : QString()));
        }
        model_->appendRow(cells);
    }
    list_->setColumnWidth(0, nameWidth + kNameSpacePx);
}

void CPageDataDlg::ShowTimesOf(int row) {
    if (!records_ || row < 0 || row >= model_->rowCount()) {
        return;
    }
    const ReadoutSiteRecord record = ReadoutSiteRecord::Read(*records_, row);
    model_->horizontalHeaderItem(1)->setText(
        record.referenceTime != 0 ? TimeText(record.referenceTime) : QStringLiteral("No Previous"));
    for (int k = 0; k < ReadoutSiteRecord::kMaxReadings; ++k) {
        model_->horizontalHeaderItem(k + 2)->setText(k < record.readingCount
                                                         ? TimeText(record.readings[k].time)
                                                         : QStringLiteral("No Reading"));
    }
}

}  // namespace q417
