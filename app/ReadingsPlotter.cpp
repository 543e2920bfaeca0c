#include "ReadingsPlotter.h"

#include <QFile>
#include <QFileInfo>

#include "CQ417HostDoc.h"
#include "PlotWindow.h"
#include "ReadingHistory.h"

namespace q417 {

ReadingsPlotter::ReadingsPlotter(CQ417HostDoc& document, QWidget& owner,
                                 std::function<QPrinter*()> printer)
    : document_(document), owner_(owner), printer_(std::move(printer)) {
    refresh_.setSingleShot(true);
    refresh_.setInterval(0);
    connect(&refresh_, &QTimer::timeout, this, &ReadingsPlotter::Refresh);
}

ReadingsPlotter::~ReadingsPlotter() {
    delete window_.data();
}

void ReadingsPlotter::Open(std::vector<PlotSiteKey> sites) {
    if (window_ == nullptr) {
        // A window of its own, kept over the main window, which takes it along when it goes.
        window_ = new PlotWindow(printer_, &owner_);
        window_->setWindowFlag(Qt::Window);
        Refresh();
    }
    window_->SetSites(std::move(sites));
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void ReadingsPlotter::DocumentChanged() {
    if (window_ != nullptr) {
        refresh_.start();
    }
}

void ReadingsPlotter::Refresh() {
    if (window_ == nullptr) {
        return;
    }
    PlotInput input;
    const std::string& path = document_.PathName();
    if (!path.empty()) {
        input.historyPath = ReadingHistory::PathFor(path);
        input.documentFolder =
            QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).absolutePath();
    }
    // Labelled with the unit the readings are converted to: the sites' units texts follow a
    // unit change only when a save takes the rows back.
    input.unsavedText = document_.HistoryText(CQ417HostDoc::HistoryUnitLabel::DocumentUnit);
    input.unit = document_.DocumentUnit();
    input.documentTitle = QFile::decodeName(QByteArray::fromStdString(document_.Title()));
    window_->SetInput(std::move(input));
}

}  // namespace q417
