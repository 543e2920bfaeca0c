#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <vector>

#include "PlotData.h"
#include "PlotWindow.h"

class QPrinter;
class QWidget;

namespace q417 {

class CQ417HostDoc;

// Plot Readings for the main window: opens the plot of the selected sites (or raises the one
// open, one a main window) and keeps it following the document: a download merged, a save,
// another unit, another file.
class ReadingsPlotter : public QObject {
    Q_OBJECT

  public:
    // owner: the main window, which the plot window stays over; printer: the site list's
    // printer and page set-up.
    ReadingsPlotter(CQ417HostDoc& document, QWidget& owner, std::function<QPrinter*()> printer);
    ~ReadingsPlotter() override;

    void Open(std::vector<PlotSiteKey> sites);
    // The document may show other readings now: the plot reads them again once the window
    // is back in its event loop, once for however many changes came together.
    void DocumentChanged();
    [[nodiscard]] PlotWindow* Window() const { return window_; }

  private:
    void Refresh();

    CQ417HostDoc& document_;
    QWidget& owner_;
    std::function<QPrinter*()> printer_;
    QPointer<PlotWindow> window_;
    QTimer refresh_;
};

}  // namespace q417
