#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "CMainFrame.h"
#include "JobTracker.h"
#include "LinkEvent.h"
#include "PortDevice.h"
#include "ReadoutContext.h"
#include "UploadPlan.h"
#include "UploadReport.h"

namespace q417 {

class COptionsDlg;
class CPortDlg;
class CQ417HostDoc;
class CQ417HostView;
class CReadoutLink;
class DocumentUser;
class LinkDispatcher;
class UiActivity;
struct HostSettings;

// The readout commands the document answers: port and options, status, reconnect, add readout
// data and the upload of the site list. The two dialogs are made at their first opening and
// kept, so they remember what they showed between openings. Window thread only.
class DocumentCommands {
  public:
    struct Context {
        HostSettings& settings;
        CReadoutLink& link;
        CQ417HostDoc& document;
        CMainFrame& frame;
        CQ417HostView& view;
        DocumentUser& user;
        UiActivity& activity;
        const PortDeviceTable& devices;
        // What the readout windows are given: the dispatcher and the PC's clock (the link
        // comes from above).
        LinkDispatcher& dispatcher;
        std::function<std::int64_t()> calendarNow;
    };

    explicit DocumentCommands(const Context& context);
    ~DocumentCommands();

    // Port...: a changed port number or baud rate goes to the settings and the link, and the
    // link is told to reopen or switch. Returns the job submitted (0 for none).
    int Port();
    // The same decision without the dialog: the job for a chosen port index and baud rate.
    int ApplyPortChoice(int portIndex, int baudRate);
    void Options();
    void ReadoutStatus();
    void Reconnect();
    void AddReadoutData();
    // The Calibration dialog, over the dialog that asked for it (the Initialize Readout
    // dialog) or else the main window.
    void Calibration();
    // Upload Site Info: the save prompt, "Are you sure ...?", the preparation and the job.
    // Keeping the readout's readings without a download since it connected reads its records
    // first, and the upload follows when they are in. Returns whether a job was submitted.
    bool UploadSiteInfo();
    // Between the read of the readout's records and the upload it leads to.
    [[nodiscard]] bool UploadAwaitingRecords() const;
    // Every event of the link, those for every window and those for the view, which submits
    // the uploads. A read that an upload waits for and ends without the records says so; an
    // upload that ends unfinished is said once, with where it stopped.
    void OnLinkEvent(const LinkEvent& event);
    // From the submission of an upload until the link reports how it ended: the readout is
    // being written, and stopping now would leave it half old, half new.
    [[nodiscard]] bool UploadRunning() const { return upload_ && !upload_->Ended(); }
    // The window is closing: an upload still running ends now, with the link, and is said while
    // the window is still there. Nothing when no upload runs.
    void EndUploadBeforeClosing();

    // What the readout sheet and the technician's dialogs work with.
    [[nodiscard]] ReadoutContext ReadoutWindows() const;

    [[nodiscard]] CPortDlg& PortDialog();
    [[nodiscard]] COptionsDlg& OptionsDialog();

  private:
    // Says how the upload ended when it did not finish, once.
    void ReportUploadEnd();
    // The readout's records are in: the upload that waited for them, readings kept.
    void UploadAfterRecordsRead();
    // Submits plan, or restores the commands as they were before the upload when there is
    // none or the link does not take it.
    bool SubmitUpload(std::optional<UploadPlan> plan, const CommandFlags& before);

    HostSettings& settings_;
    CReadoutLink& link_;
    CQ417HostDoc& document_;
    CMainFrame& frame_;
    CQ417HostView& view_;
    DocumentUser& user_;
    UiActivity& activity_;
    const PortDeviceTable& devices_;
    LinkDispatcher& dispatcher_;
    std::function<std::int64_t()> calendarNow_;
    std::unique_ptr<CPortDlg> portDialog_;
    std::unique_ptr<COptionsDlg> optionsDialog_;
    std::optional<JobTracker> upload_;       // the upload submitted last
    std::optional<JobTracker> recordsRead_;  // the read an upload waits for

    CommandFlags flagsBeforeUpload_;  // restored when an upload that read records first fails
};

// Asked when the window closes during an upload.
inline constexpr const char* kQuitDuringUploadQuestion =
    "The site list is still being uploaded to the readout. If you quit now, the readout may "
    "hold a mix of old and new sites. Quit anyway?";

// Said when the link is busy with another job and the upload could not be queued.
inline constexpr const char* kRecordsNotReadUploadMessage =
    "The readout's data points could not be read, so the site list was not uploaded. Upload "
    "again when the readout is connected.";

// Said when the link is busy with another job and the upload could not be queued.
inline constexpr const char* kLinkBusyUploadMessage =
    "The readout is busy with another task, so the site list was not uploaded. Try again in a "
    "moment.";

}  // namespace q417
