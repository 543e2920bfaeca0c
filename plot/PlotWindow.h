#pragma once

#include <QMainWindow>
#include <QSize>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PlotData.h"
#include "PressureUnit.h"

class QAction;
class QComboBox;
class QLabel;
class QPrinter;
class QStackedWidget;

namespace q417 {

class PlotChart;
class PlotLoader;
class PlotView;

// Where the readings come from: the history file beside the document and what the next save
// adds to it, in the document's unit.
struct PlotInput {
    std::string historyPath;                 // empty while the document has no file
    std::optional<std::string> unsavedText;  // history lines of the last download, if any
    PressureUnit unit = PressureUnit::Psi;
    QString documentTitle;   // "route.ini", for the window's title and the export's name
    QString documentFolder;  // where an export is offered first; empty for the current folder
};

// Plot Readings: the readings of the chosen sites over time, read from the history off the
// window thread. The tool bar resets the view, switches between all the sites and one of them,
// exports a picture and prints. Anything that leaves nothing to draw is said in the window.
class PlotWindow : public QMainWindow {
    Q_OBJECT

  public:
    // printer gives the printer and page set-up the site list prints with; empty: no printing.
    explicit PlotWindow(std::function<QPrinter*()> printer, QWidget* parent = nullptr);
    ~PlotWindow() override;

    // The sites to plot; a change reads the history again and starts with a fresh view.
    void SetSites(std::vector<PlotSiteKey> sites);
    [[nodiscard]] const std::vector<PlotSiteKey>& Sites() const { return sites_; }
    // The document changed (a download, a save, another unit or file): read again, keeping
    // the view when the same sites come back.
    void SetInput(PlotInput input);

    [[nodiscard]] bool Loading() const;
    [[nodiscard]] PlotChart& Chart() const { return *chart_; }
    [[nodiscard]] PlotView& View() const { return *view_; }
    [[nodiscard]] QComboBox& SiteChooser() const { return *siteChooser_; }
    [[nodiscard]] QAction& ResetAction() const { return *resetAction_; }
    // The text shown instead of the chart; empty while the chart is shown.
    [[nodiscard]] QString MessageText() const;
    // What is said under the chart about readings left out or missing.
    [[nodiscard]] QString NotesText() const;

    // The picture of what the window shows, at size; empty, or why it was not written.
    [[nodiscard]] QString ExportTo(const QString& path, QSize size) const;

  Q_SIGNALS:
    // A reading of the history has been shown.
    void loaded();

  private:
    void Reload();
    void OnLoaded(std::shared_ptr<const PlotData> plot);
    void ShowMessage(const QString& text);
    void FillSiteChooser();
    void OnSiteChosen(int index);
    void Export();
    void Print();
    void UpdateCommands();
    void UpdateStatus();

    std::function<QPrinter*()> printer_;
    std::vector<PlotSiteKey> sites_;
    PlotInput input_;
    PlotLoader* loader_;
    PlotChart* chart_;
    PlotView* view_;
    QStackedWidget* pages_;
    QLabel* message_;
    QLabel* notes_;
    QLabel* status_;
    QComboBox* siteChooser_;
    QAction* resetAction_;
    QAction* exportAction_;
    QAction* printAction_;
    std::shared_ptr<const PlotData> data_;  // what is shown; nothing before the first reading
    std::vector<PlotSiteKey> shownSites_;   // the sites data_ was read for
    bool keepViewNext_ = false;             // the next reading is of the same sites
    QString exportFolder_;
    QSize exportSize_;
};

}  // namespace q417
