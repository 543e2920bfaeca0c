#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "DocumentObserver.h"
#include "DocumentUser.h"
#include "PressureUnit.h"
#include "SaveResult.h"
#include "SharedSettings.h"
#include "SiteListView.h"
#include "SiteRecord.h"
#include "UploadPlan.h"

namespace q417 {

// The site list document: the sites as last loaded, merged or saved, the unit of the shown
// values, and the steps that move sites between the list, the site file, the history file and
// the readout link's record image.
//
// While the user edits, the list rows are the working copy; the site array is rebuilt from them
// before every save. Window thread only. The link's settings are reached through their lock,
// so the worker may go on meanwhile.
inline constexpr const char* kReadingsNotDownloadedMessage =
    "The readout's data points have not been downloaded since it connected, so they cannot be "
    "kept. Use Add Readout Data first, or upload again and clear the data points.";

class CQ417HostDoc {
  public:
    // Larger files are refused unread: 177 site lines never come near this.
    static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

    using SiteArray = std::array<SiteRecord, kMaxSites>;

    // link: the readout link's live settings. Both must outlive the document.
    CQ417HostDoc(SharedSettings& link, DocumentUser& user);
    CQ417HostDoc(const CQ417HostDoc&) = delete;
    CQ417HostDoc& operator=(const CQ417HostDoc&) = delete;

    // The list the document shows (not owned; nothing when none).
    void SetView(SiteListView* view);
    [[nodiscard]] SiteListView* View() const { return view_; }
    // Who is told when the modified flag, the path or the document unit changes (not owned;
    // nothing when none). Setting it reports nothing: the current values are read as usual.
    void SetObserver(DocumentObserver* observer) { observer_ = observer; }

    // File > New: empties the document and gives the list its columns.
    bool NewDocument();
    // Empties the list and the document.
    void DeleteContents();
    // Frees the site array: no sites, no data.
    void ClearSites();

    // Opens a site file. A file that cannot be read, or is too large, is reported and leaves
    // the document as it was. A file without a site line starts a fresh document and says
    // "Invalid file.". Returns true when the file was opened.
    bool OpenDocument(const std::string& path);
    // Rebuilds the sites from the list, replaces the file atomically and appends the readings
    // to the history file. A failed history append is reported, the site file stays saved.
    SaveResult SaveDocument(const std::string& path);
    // The save-changes prompt before the document is replaced: true to go on (saved or
    // discarded), false when the user cancelled or the save failed.
    bool SaveModified();

    // Replaces the site list with the readout's sites from the link's record image.
    void MergeReadoutData();
    // The upload command's questions: save changes, then "Are you sure ...?". True to go on.
    // The sites are then rebuilt from the rows, saved or not, so that the readout receives
    // the list the window shows; answering No writes no file and the document stays modified.
    bool ConfirmUpload();
    // "Would you like to clear all Q417 data points?", after telling which sites with readings
    // would get a new name should they be kept, when the readout's records are known. True
    // for Yes (clear).
    [[nodiscard]] bool AskClearReadings();
    // Tells which records holding readings would be uploaded under another name, since the
    // readout keeps readings at their place and nothing ties them to a site of the list (a list
    // opened from a file); nothing when none would.
    void ShowRenamedReadingsNotice();
    // Keeping the readout's readings needs its records read since it connected.
    [[nodiscard]] bool ReadoutRecordsNeeded() const;
    // What an upload of the sites writes: the link's record image with the sites' names and
    // reference values, the file name and the record count. Kept readings go with their site:
    // a downloaded site takes the readings of the record it came from, a New Site none, a site
    // opened from a file those at its place. The upload job carries the plan. Keeping the
    // readings needs them in the image: without a download since the readout connected,
    // nothing is prepared, the user is told (kReadingsNotDownloadedMessage) and the result is
    // empty.
    [[nodiscard]] std::optional<UploadPlan> PrepareSiteUpload(bool clearReadings);
    // AskClearReadings, then PrepareSiteUpload with the answer.
    [[nodiscard]] std::optional<UploadPlan> PrepareSiteUpload();
    // The link took plan: the sites now stand at their places in the readout, with the
    // readings plan gives them there.
    void UploadSubmitted(const UploadPlan& plan);

    struct DownloadAcceptance {
        bool syncClock = true;  // false when the clock sync that follows is to be skipped
        std::string notOpened;  // why the data file the readout names was not opened, or empty
    };
    // The link finished a download. With autoOpen, opens the data file the readout names when
    // it is a site file (an absolute path to a regular file of site lines) and merges the
    // readout's sites, else merges them into the current document.
    DownloadAcceptance AcceptDownload(bool autoOpen);
    // Why path is not opened as the data file the readout names; empty when it can be.
    [[nodiscard]] static std::string DataFileRefusal(const std::string& path);

    // Sets the document unit from the first site's unit name (PSI when there is no site).
    void DetectDocumentUnit();

    [[nodiscard]] bool IsModified() const { return modified_; }
    void SetModified(bool modified);
    [[nodiscard]] const std::string& PathName() const { return pathName_; }
    // The file name of the path, or "Untitled".
    [[nodiscard]] std::string Title() const;
    // The path most recently passed to a save; never cleared.
    [[nodiscard]] const std::string& LastSavedPath() const { return lastSavedPath_; }
    // The history lines the next save appends (the stored readings of the last download); nothing
    // when the link has no record image. A save labels reading lines with each site's units
    // text, which names the document's unit once the list's rows are taken back; DocumentUnit
    // labels them with the unit they are converted to, for a reader that needs it right before
    // any save.
    enum class HistoryUnitLabel { SiteUnits, DocumentUnit };
    [[nodiscard]] std::optional<std::string> HistoryText(
        HistoryUnitLabel label = HistoryUnitLabel::SiteUnits) const;

    [[nodiscard]] bool HasData() const { return hasData_; }
    void SetHasData(bool hasData) { hasData_ = hasData; }
    [[nodiscard]] PressureUnit DocumentUnit() const { return documentUnit_; }
    void SetDocumentUnit(PressureUnit unit);
    // Follows the list's rows as they are added and deleted.
    [[nodiscard]] int SiteCount() const { return siteCount_; }
    void SetSiteCount(int count) { siteCount_ = count; }

    [[nodiscard]] bool HasSiteArray() const { return sites_ != nullptr; }
    // Creates the site array when there is none. False when it cannot be allocated.
    bool EnsureSiteArray();
    // Site k of the array, which must exist; k in 0..kMaxSites-1.
    [[nodiscard]] SiteRecord& Site(int k) { return (*sites_)[static_cast<std::size_t>(k)]; }
    [[nodiscard]] const SiteRecord& Site(int k) const {
        return (*sites_)[static_cast<std::size_t>(k)];
    }

  private:
    // Every change of the path goes through here, so the observer hears of it.
    void SetPathName(const std::string& path);
    // Sites of the array that hold data: siteCount, within the array.
    [[nodiscard]] int StoredSiteCount() const;
    // The unit named by the first site; PSI when there is no site, the document unit when the
    // name is none of the units.
    [[nodiscard]] PressureUnit UnitOfFirstSite() const;
    // The prompt of SaveModified: nothing when cancelled or the save failed, else what was done.
    [[nodiscard]] std::optional<SaveChoice> SaveOrDiscard();
    // See ShowRenamedReadingsNotice; empty when no record would.
    [[nodiscard]] std::string RenamedReadingsNotice(const ReadoutSettings& settings) const;
    // The record of the readout's image that holds site k's readings now: the record it was
    // downloaded from, k for a site that stands for the record at its place, -1 for none.
    [[nodiscard]] int ReadingsRecord(int k, const ReadoutSettings& settings) const;
    SharedSettings& link_;
    DocumentUser& user_;
    SiteListView* view_ = nullptr;          // not owned
    DocumentObserver* observer_ = nullptr;  // not owned

    std::unique_ptr<SiteArray> sites_;  // none until a load, merge or save needs it
    int siteCount_ = 0;
    bool hasData_ = false;
    PressureUnit documentUnit_ = PressureUnit::Psi;
    bool modified_ = false;
    std::string pathName_;  // empty while untitled
    std::string lastSavedPath_;
};

}  // namespace q417
