#pragma once

#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>

#include "DocumentObserver.h"
#include "HostSettings.h"
#include "LinkDispatcher.h"
#include "RecentFileList.h"
#include "UiActivity.h"

class QPrinter;

namespace q417 {

class CMainFrame;
class CQ417HostDoc;
class CQ417HostView;
class CReadoutLink;
class Clock;
class DocumentCommands;
class DocumentUser;
class LineTrace;
class QtDocumentUser;
class ReadingsPlotter;
class SerialLine;
class SimulatedReadout;
class SiteListModel;

// What the command line asks for.
struct HostOptions {
    std::optional<std::string> file;    // a site file to open
    std::optional<std::string> device;  // the device of the configured port, for this run
    bool simulate = false;              // serve a simulated readout and connect to it
    std::optional<std::string> trace;   // a line trace of the run goes to this file
};

// The application object: the five settings for the whole run, the site document and its
// window, the link to the readout and the file commands (New, Open, Save, Save As, the recent
// files, a dropped file, printing). It routes every command of the window.
class CQ417HostApp : public QObject, public DocumentObserver {
    Q_OBJECT

  public:
    // What tests replace: the line and clock the link runs on, and the user who answers.
    // Left empty, the link runs on the serial device and the user answers message boxes.
    struct Parts {
        SerialLine* line = nullptr;
        Clock* clock = nullptr;
        DocumentUser* user = nullptr;
    };

    CQ417HostApp();
    explicit CQ417HostApp(Parts parts);
    ~CQ417HostApp() override;

    // Reads the settings, builds the window, carries out the command line and shows the window.
    // False when the program is to end (error holds why: a file that cannot be opened, a
    // simulated readout that cannot start).
    bool Start(const HostOptions& options, std::string& error, bool show = true);

    // The main window goes: with it the settings are written. The document and the link stay
    // until the application object goes.
    void CloseWindow();

    [[nodiscard]] HostSettings& Settings() { return settings_; }
    [[nodiscard]] RecentFileList& Recent() { return recent_; }
    [[nodiscard]] CMainFrame* Frame() const { return frame_; }
    [[nodiscard]] CQ417HostView* View() const { return view_; }
    [[nodiscard]] CQ417HostDoc& Document() const { return *document_; }
    [[nodiscard]] SiteListModel& Model() const { return *model_; }
    [[nodiscard]] CReadoutLink& Link() const { return *link_; }
    [[nodiscard]] LinkDispatcher& Dispatcher() { return dispatcher_; }
    [[nodiscard]] UiActivity& Activity() { return activity_; }
    [[nodiscard]] DocumentCommands& Commands() const { return *commands_; }
    [[nodiscard]] const PortDeviceTable& Devices() const { return devices_; }
    [[nodiscard]] ReadingsPlotter& Plotter() const { return *plotter_; }

    // Carries out a command of the window.
    void OnCommand(int id);
    bool NewFile();
    bool OpenFile(const std::string& path);
    bool Save();
    bool SaveAs();
    // Writes the settings and the recent files to the store.
    void SaveSettings();
    // SIGTERM, SIGINT or SIGHUP came (taken on the window thread, so never in the middle of a
    // save): the window closes the normal way, with the link stopped and a running upload said.
    // Another while the window is still asking its questions ends the program without them.
    void OnStopSignal(int signalNumber);

    // Starts a line trace into path (the running one ends first); a file that cannot be opened
    // is said in a box and leaves the trace off. Returns whether the trace runs.
    bool StartLineTrace(const std::string& path);
    void StopLineTrace();
    [[nodiscard]] bool LineTracing() const;

    // DocumentObserver
    void DocumentModifiedChanged(bool modified) override;
    void DocumentPathChanged(const std::string& path, const std::string& title) override;
    void DocumentUnitChanged(PressureUnit unit) override;

  private:
    void OnLinkEvent(const LinkEvent& event);
    bool CanCloseDocument();
    // path becomes the first of the recent files.
    void RememberFile(const std::string& path);
    void ShowRecentFiles();
    void OpenRecent(int index);
    void Print();
    void PrintPreview();
    void PrintSetup();
    void About();
    // Plot Readings: the selected rows' sites.
    void PlotReadings();
    // The plot window, when open, reads the document's readings again.
    void PlotFollowsDocument();
    // Help > Start Line Trace...: asks for the file, then starts.
    void AskAndStartLineTrace();
    bool BeginLineTrace(const std::string& path, std::string& error);
    void SayLineTraceFailed(const std::string& error);
    void ShowLineTraceCommands();
    QPrinter& Printer();

    // Declared in the order they are built; ~CQ417HostApp takes the window down first and
    // stops the link before anything the worker reports to goes.
    UiActivity activity_;
    HostSettings settings_;
    RecentFileList recent_;
    PortDeviceTable devices_;  // fixed before the link starts: the worker resolves ports here
    std::unique_ptr<SimulatedReadout> simulator_;
    std::unique_ptr<SerialLine> ownLine_;
    std::unique_ptr<Clock> ownClock_;
    SerialLine* line_ = nullptr;
    Clock* clock_ = nullptr;
    // Before the link, which they must outlive: the line trace and the line it watches.
    std::unique_ptr<LineTrace> trace_;
    std::unique_ptr<SerialLine> tracingLine_;
    std::unique_ptr<CReadoutLink> link_;
    LinkDispatcher dispatcher_;
    std::unique_ptr<QtDocumentUser> qtUser_;
    DocumentUser* user_ = nullptr;
    std::unique_ptr<SiteListModel> model_;
    std::unique_ptr<CQ417HostDoc> document_;
    CMainFrame* frame_ = nullptr;    // owned here, deleted by CloseWindow
    CQ417HostView* view_ = nullptr;  // child of the frame
    std::unique_ptr<DocumentCommands> commands_;
    std::unique_ptr<ReadingsPlotter> plotter_;  // its window is the frame's
    std::unique_ptr<QPrinter> printer_;         // made at the first print command
    bool closing_ = false;                      // the window is asking whether it may close
    bool signalClosePending_ = false;           // a stop signal's close has not yet run its course
};

}  // namespace q417
