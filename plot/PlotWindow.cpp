#include "PlotWindow.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "ExportSizeDialog.h"
#include "PlotChart.h"
#include "PlotExport.h"
#include "PlotLoader.h"
#include "PlotView.h"

namespace q417 {

namespace {

constexpr int kMessagePage = 0;
constexpr int kChartPage = 1;
constexpr QSize kWindowSize{900, 600};

const QString kReading = QStringLiteral("Reading the history\u2026");

struct ExportType {
    const char* filter;
    const char* suffix;
};
constexpr ExportType kExportTypes[] = {
    {"PNG image (*.png)", "png"},
    {"SVG drawing (*.svg)", "svg"},
    {"PDF document (*.pdf)", "pdf"},
};

}  // namespace

PlotWindow::PlotWindow(std::function<QPrinter*()> printer, QWidget* parent)
    : QMainWindow(parent),
      printer_(std::move(printer)),
      loader_(new PlotLoader(this)),
      chart_(new PlotChart),
      view_(new PlotView(chart_)),
      pages_(new QStackedWidget(this)),
      message_(new QLabel(this)),
      notes_(new QLabel(this)),
      status_(new QLabel(this)),
      siteChooser_(new QComboBox(this)),
      exportSize_(PlotExport::kDefaultSize) {
    setObjectName(QStringLiteral("plotWindow"));
    setWindowTitle(QStringLiteral("Plot Readings"));
    setAttribute(Qt::WA_DeleteOnClose);

    message_->setObjectName(QStringLiteral("plotMessage"));
    message_->setAlignment(Qt::AlignCenter);
    message_->setWordWrap(true);
    message_->setMargin(24);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notes_->setObjectName(QStringLiteral("plotNotes"));
    notes_->setWordWrap(true);
    notes_->setContentsMargins(8, 2, 8, 4);
    notes_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notes_->hide();
    auto* chartPage = new QWidget(this);
    auto* chartLayout = new QVBoxLayout(chartPage);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    chartLayout->setSpacing(0);
    chartLayout->addWidget(view_, 1);
    chartLayout->addWidget(notes_);
    pages_->insertWidget(kMessagePage, message_);
    pages_->insertWidget(kChartPage, chartPage);
    setCentralWidget(pages_);

    QToolBar* tools = addToolBar(QStringLiteral("Plot"));
    tools->setObjectName(QStringLiteral("plotTools"));
    tools->setMovable(false);
    tools->setToolButtonStyle(Qt::ToolButtonTextOnly);
    resetAction_ = tools->addAction(QStringLiteral("Reset View"), chart_, &PlotChart::ResetView);
    resetAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_0));
    resetAction_->setToolTip(QStringLiteral("Show every reading of the sites (Home, Ctrl+0)"));
    tools->addSeparator();
    auto* showLabel = new QLabel(QStringLiteral(" &Show: "), this);
    showLabel->setBuddy(siteChooser_);
    tools->addWidget(showLabel);
    siteChooser_->setObjectName(QStringLiteral("siteChooser"));
    siteChooser_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    siteChooser_->setToolTip(QStringLiteral("All the selected sites, or one of them"));
    tools->addWidget(siteChooser_);
    connect(siteChooser_, &QComboBox::activated, this, &PlotWindow::OnSiteChosen);
    tools->addSeparator();
    exportAction_ = tools->addAction(QStringLiteral("&Export..."), this, &PlotWindow::Export);
    exportAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    exportAction_->setToolTip(QStringLiteral("Save the plot as a PNG, SVG or PDF file (Ctrl+E)"));
    printAction_ = tools->addAction(QStringLiteral("&Print..."), this, &PlotWindow::Print);
    printAction_->setShortcut(QKeySequence::Print);
    printAction_->setToolTip(
        QStringLiteral("Print the plot with the site list's page set-up (Ctrl+P)"));
    auto* close = new QAction(QStringLiteral("Close"), this);
    close->setShortcuts({QKeySequence::Close, QKeySequence(Qt::Key_Escape)});
    connect(close, &QAction::triggered, this, &QWidget::close);
    addAction(close);

    status_->setObjectName(QStringLiteral("plotStatus"));
    statusBar()->addWidget(status_, 1);
    statusBar()->addPermanentWidget(new QLabel(
        QStringLiteral("Wheel: zoom  \u00b7  Shift+wheel: values  \u00b7  Drag: pan  \u00b7  "
                       "Home: reset"),
        this));
    statusBar()->setSizeGripEnabled(true);

    connect(loader_, &PlotLoader::loaded, this, &PlotWindow::OnLoaded);
    setTabOrder(siteChooser_, view_);
    resize(kWindowSize);
    ShowMessage(kReading);
    UpdateCommands();
}

PlotWindow::~PlotWindow() = default;

void PlotWindow::SetSites(std::vector<PlotSiteKey> sites) {
    if (sites == sites_ && (data_ != nullptr || loader_->Busy())) {
        return;
    }
    sites_ = std::move(sites);
    Reload();
}

void PlotWindow::SetInput(PlotInput input) {
    input_ = std::move(input);
    setWindowTitle(input_.documentTitle.isEmpty()
                       ? QStringLiteral("Plot Readings")
                       : QStringLiteral("Plot Readings - ") + input_.documentTitle);
    Reload();
}

bool PlotWindow::Loading() const {
    return loader_->Busy();
}

void PlotWindow::Reload() {
    if (sites_.empty()) {
        return;  // opened, and told where the readings are, before the sites come
    }
    PlotRequest request;
    request.historyPath = input_.historyPath;
    request.unsavedText = input_.unsavedText;
    request.unit = input_.unit;
    request.sites = sites_;
    keepViewNext_ = data_ != nullptr && sites_ == shownSites_ && data_->unit == input_.unit;
    loader_->Load(std::move(request));
    if (pages_->currentIndex() != kChartPage) {
        ShowMessage(kReading);
    }
    UpdateStatus();
}

void PlotWindow::OnLoaded(std::shared_ptr<const PlotData> plot) {
    const bool keepView = keepViewNext_ && plot->Drawable() && data_ != nullptr &&
                          data_->Drawable() && plot->series.size() == data_->series.size();
    data_ = std::move(plot);
    shownSites_ = sites_;
    if (!data_->Drawable()) {
        chart_->SetData(nullptr, false);
        ShowMessage(data_->problem);
    } else {
        chart_->SetData(data_, keepView);
        FillSiteChooser();
        notes_->setText(data_->notes.join(QLatin1Char('\n')));
        notes_->setVisible(!data_->notes.isEmpty());
        message_->clear();
        pages_->setCurrentIndex(kChartPage);
    }
    UpdateCommands();
    UpdateStatus();
    Q_EMIT loaded();
}

void PlotWindow::ShowMessage(const QString& text) {
    message_->setText(text);
    pages_->setCurrentIndex(kMessagePage);
}

QString PlotWindow::MessageText() const {
    return pages_->currentIndex() == kMessagePage ? message_->text() : QString();
}

QString PlotWindow::NotesText() const {
    return notes_->isVisible() || !notes_->text().isEmpty() ? notes_->text() : QString();
}

void PlotWindow::FillSiteChooser() {
    siteChooser_->clear();
    siteChooser_->addItem(QStringLiteral("All Selected Sites"));
    for (const PlotSeries& series : data_->series) {
        siteChooser_->addItem(series.label);
    }
    siteChooser_->setCurrentIndex(chart_->ShownSite() + 1);
}

void PlotWindow::OnSiteChosen(int index) {
    if (chart_->ShownSite() == index - 1) {
        return;
    }
    chart_->ShowSite(index - 1);
    chart_->ResetView();
    UpdateStatus();
}

void PlotWindow::UpdateCommands() {
    const bool drawable = data_ != nullptr && data_->Drawable();
    resetAction_->setEnabled(drawable);
    siteChooser_->setEnabled(drawable && data_->series.size() > 1);
    exportAction_->setEnabled(drawable);
    printAction_->setEnabled(drawable && printer_ != nullptr);
}

void PlotWindow::UpdateStatus() {
    if (loader_->Busy()) {
        status_->setText(kReading);
        return;
    }
    if (data_ == nullptr || !data_->Drawable()) {
        status_->clear();
        return;
    }
    std::size_t readings = 0;
    int sites = 0;
    for (std::size_t i = 0; i < data_->series.size(); ++i) {
        if (chart_->Shows(static_cast<int>(i))) {
            readings += data_->series[i].points.size();
            ++sites;
        }
    }
    status_->setText(QStringLiteral("%1 reading%2 of %3 site%4, in %5")
                         .arg(readings)
                         .arg(readings == 1 ? QString() : QStringLiteral("s"))
                         .arg(sites)
                         .arg(sites == 1 ? QString() : QStringLiteral("s"))
                         .arg(QString::fromLatin1(UnitsColumnName(data_->unit))));
}

QString PlotWindow::ExportTo(const QString& path, QSize size) const {
    if (data_ == nullptr || !data_->Drawable()) {
        return QStringLiteral("there is nothing to export");
    }
    return PlotExport::Write(path, size, *data_, chart_->State());
}

void PlotWindow::Export() {
    if (data_ == nullptr || !data_->Drawable()) {
        return;
    }
    QStringList filters;
    for (const ExportType& type : kExportTypes) {
        filters.append(QString::fromLatin1(type.filter));
    }
    QString folder = exportFolder_.isEmpty() ? input_.documentFolder : exportFolder_;
    if (folder.isEmpty()) {
        folder = QDir::currentPath();
    }
    const QString base = input_.documentTitle.isEmpty()
                             ? QStringLiteral("readings")
                             : QFileInfo(input_.documentTitle).completeBaseName();
    QString filter = filters.first();
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export Plot"), QDir(folder).filePath(base + QStringLiteral(".png")),
        filters.join(QStringLiteral(";;")), &filter);
    if (path.isEmpty()) {
        return;
    }
    if (!PlotExport::FormatOfPath(path)) {
        // No suffix of a picture: the one of the type chosen.
        for (const ExportType& type : kExportTypes) {
            if (filter == QString::fromLatin1(type.filter)) {
                path += QLatin1Char('.') + QString::fromLatin1(type.suffix);
            }
        }
    }
    ExportSizeDialog sizeDialog(exportSize_, this);
    if (sizeDialog.exec() != QDialog::Accepted) {
        return;
    }
    exportSize_ = sizeDialog.Size();
    exportFolder_ = QFileInfo(path).absolutePath();
    if (const QString error = ExportTo(path, exportSize_); !error.isEmpty()) {
        QMessageBox::warning(this, QStringLiteral("Export Plot"),
                             QStringLiteral("The plot could not be exported: %1.").arg(error));
        return;
    }
    statusBar()->showMessage(QStringLiteral("Exported to %1").arg(QDir::toNativeSeparators(path)),
                             5000);
}

void PlotWindow::Print() {
    QPrinter* printer = printer_ ? printer_() : nullptr;
    if (printer == nullptr || data_ == nullptr || !data_->Drawable()) {
        return;
    }
    QPrintDialog dialog(printer, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    if (!PlotExport::Print(*printer, *data_, chart_->State())) {
        QMessageBox::warning(this, QStringLiteral("Print Plot"),
                             QStringLiteral("The plot could not be printed."));
    }
}

}  // namespace q417
