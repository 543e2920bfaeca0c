#include "CQ417HostDoc.h"

#include <algorithm>
#include <new>
#include <vector>

#include "FileStore.h"
#include "ReadingHistory.h"
#include "ReadoutSiteRecord.h"
#include "ReadoutTime.h"
#include "SiteFile.h"
#include "SiteText.h"
#include "UnitConversion.h"
#include "ValueText.h"

namespace q417 {
namespace {

// Records of the image that a download or upload filled.
int UsableRecordCount(const ReadoutSettings& settings) {
    if (!settings.records) {
        return 0;
    }
    return std::clamp(settings.recordCount, 0, kRecordCapacity);
}

// "3", "3 and 17", "1, 2 and 5".
std::string NumberList(const std::vector<int>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) {
            text += i + 1 == numbers.size() ? " and " : ", ";
        }
        text += std::to_string(numbers[i]);
    }
    return text;
}

// What the user is told when texts from the readout held characters that would split a line
// of the site file or the history; nothing when none did.
std::string UnfitTextMessage(const std::vector<int>& sites, bool serialNumber) {
    const std::string what = "characters a site file cannot hold (commas, line ends or zero bytes)";
    const std::string replaced = "; they were replaced by blanks.";
    if (sites.empty()) {
        return serialNumber ? "The readout's serial number had " + what + replaced : std::string();
    }
    std::string text = sites.size() == 1 ? "Site " + NumberList(sites) + " had a name with "
                                         : "Sites " + NumberList(sites) + " had names with ";
    text += what;
    if (serialNumber) {
        text += ", and so had the readout's serial number";
    }
    return text + replaced;
}

// The readings of record as a site keeps them: only entries that are readings, in order.
// Returns how many entries were left out.
int KeepReadings(const ReadoutSiteRecord& record, int index, const ReadoutSettings& settings,
                 StoredReadings& readings) {
    readings = {};
    readings.readoutRecord = index;
    readings.readoutSerial = settings.serialNumber;
    readings.unit = UnitOfCode(settings.calUnits);
    int leftOut = 0;
    for (int i = 0; i < record.readingCount; ++i) {
        const ReadingEntry& entry = record.readings[static_cast<std::size_t>(i)];
        if (!IsReading(entry)) {
            ++leftOut;
            continue;
        }
        const auto at = static_cast<std::size_t>(readings.readingCount++);
        readings.readingValues[at] = entry.value;
        readings.readingTimes[at] = entry.time;
    }
    return leftOut;
}

// "3 empty records" and "2 readings that are not numbers" of the readout, left out of the list.
std::string LeftOutMessage(int emptyRecords, int badReadings) {
    std::vector<std::string> parts;
    if (emptyRecords > 0) {
        parts.push_back(std::to_string(emptyRecords) + (emptyRecords == 1
                                                            ? " empty record (erased memory)"
                                                            : " empty records (erased memory)"));
    }
    if (badReadings > 0) {
        parts.push_back(std::to_string(badReadings) +
                        (badReadings == 1 ? " reading that was not a number or had no time"
                                          : " readings that were not numbers or had no time"));
    }
    if (parts.empty()) {
        return {};
    }
    std::string text = "The readout held " + parts[0];
    if (parts.size() > 1) {
        text += " and " + parts[1];
    }
    return text + "; left out of the site list.";
}

}  // namespace

CQ417HostDoc::CQ417HostDoc(SharedSettings& link, DocumentUser& user) : link_(link), user_(user) {}

void CQ417HostDoc::SetView(SiteListView* view) {
    view_ = view;
    if (view_ != nullptr) {
        view_->SetDocument(this);
    }
}

void CQ417HostDoc::SetModified(bool modified) {
    if (modified == modified_) {
        return;
    }
    modified_ = modified;
    if (observer_ != nullptr) {
        observer_->DocumentModifiedChanged(modified_);
    }
}

void CQ417HostDoc::SetPathName(const std::string& path) {
    if (path == pathName_) {
        return;
    }
    pathName_ = path;
    if (observer_ != nullptr) {
        observer_->DocumentPathChanged(pathName_, Title());
    }
}

void CQ417HostDoc::SetDocumentUnit(PressureUnit unit) {
    if (unit == documentUnit_) {
        return;
    }
    documentUnit_ = unit;
    if (observer_ != nullptr) {
        observer_->DocumentUnitChanged(documentUnit_);
    }
}

bool CQ417HostDoc::NewDocument() {
    DeleteContents();
    SetPathName({});
    SetModified(false);
    if (view_ != nullptr) {
        view_->InsertColumns(SiteListView::ColumnTitles());
    }
    return true;
}

void CQ417HostDoc::DeleteContents() {
    if (view_ != nullptr) {
        view_->ClearList();
    }
    ClearSites();
}

void CQ417HostDoc::ClearSites() {
    sites_.reset();
    siteCount_ = 0;
    hasData_ = false;
}

bool CQ417HostDoc::EnsureSiteArray() {
    if (!sites_) {
        try {
            sites_ = std::make_unique<SiteArray>();
        } catch (const std::bad_alloc&) {
            return false;
        }
    }
    return true;
}

int CQ417HostDoc::StoredSiteCount() const {
    return sites_ ? std::clamp(siteCount_, 0, kMaxSites) : 0;
}

std::string CQ417HostDoc::Title() const {
    if (pathName_.empty()) {
        return "Untitled";
    }
    const std::size_t slash = pathName_.rfind('/');
    return slash == std::string::npos ? pathName_ : pathName_.substr(slash + 1);
}

bool CQ417HostDoc::OpenDocument(const std::string& path) {
    FileStore::ReadResult file = FileStore::Read(path, kMaxFileBytes);
    if (!file.ok) {
        user_.ShowMessage("Cannot open the site file " + file.error + ".", MessageIcon::Error);
        return false;
    }
    DeleteContents();
    SetModified(false);
    const SiteFile::Contents contents = SiteFile::Parse(file.bytes);
    if (contents.sawSiteLine) {
        if (EnsureSiteArray()) {
            std::copy(contents.sites.begin(), contents.sites.end(), sites_->begin());
            if (!contents.sites.empty()) {
                siteCount_ = static_cast<int>(contents.sites.size());
                hasData_ = true;
            }
        }
    }
    if (!hasData_) {
        NewDocument();
        user_.ShowMessage("Invalid file.", MessageIcon::Exclamation);
        return false;
    }
    SetPathName(path);
    if (view_ != nullptr) {
        view_->FillList();
    }
    DetectDocumentUnit();
    if (contents.linesBeyondLimit > 0) {
        user_.ShowMessage("The file holds more than " + std::to_string(kMaxSites) +
                              " sites. Only the first " + std::to_string(kMaxSites) +
                              " were opened; saving it keeps only those.",
                          MessageIcon::Exclamation);
    }
    return true;
}

std::optional<std::string> CQ417HostDoc::HistoryText(HistoryUnitLabel label) const {
    const ReadoutSettings settings = link_.Snapshot();
    if (!settings.records) {
        return std::nullopt;
    }
    // Records past the record count were never filled by the readout; a site that stands for
    // one counts as having no readings.
    const int filled = UsableRecordCount(settings);
    const PressureUnit calUnits = UnitOfCode(settings.calUnits);
    const std::string documentUnitName = PressureUnitName(documentUnit_);
    const std::string* readingUnits =
        label == HistoryUnitLabel::DocumentUnit ? &documentUnitName : nullptr;
    std::string text;
    for (int k = 0; k < StoredSiteCount(); ++k) {
        const SiteRecord& site = Site(k);
        const StoredReadings& own = site.readings;
        if (own.readoutRecord >= 0) {
            // The readings the download found for this very site, wherever it stands now.
            std::array<ReadingEntry, kMaxStoredReadings> entries{};
            const auto count =
                static_cast<std::size_t>(std::clamp(own.readingCount, 0, kMaxStoredReadings));
            for (std::size_t i = 0; i < count; ++i) {
                entries[i] = {own.readingValues[i], own.readingTimes[i]};
            }
            text += ReadingHistory::Lines(site, std::span(entries.data(), count), own.unit,
                                          documentUnit_, readingUnits);
        } else if (own.readoutRecord == kReadoutRecordAtPlace && k < filled) {
            const ReadoutSiteRecord record = ReadoutSiteRecord::Read(*settings.records, k);
            text += ReadingHistory::Lines(
                site,
                std::span<const ReadingEntry>(record.readings.data(),
                                              static_cast<std::size_t>(record.readingCount)),
                calUnits, documentUnit_, readingUnits);
        } else {
            text += ReadingHistory::Lines(site, {}, calUnits, documentUnit_);
        }
    }
    return text;
}

SaveResult CQ417HostDoc::SaveDocument(const std::string& path) {
    const int rowsLeftOut = view_ != nullptr ? view_->SyncFromList() : 0;
    lastSavedPath_ = path;
    const int count = StoredSiteCount();
    const std::string text = SiteFile::Text(sites_ ? sites_->data() : nullptr, count);
    const std::optional<std::string> history = HistoryText();

    if (const std::string error = FileStore::WriteAtomically(path, text); !error.empty()) {
        user_.ShowMessage("The site file could not be saved: " + error + ".", MessageIcon::Error);
        return {};
    }
    SaveResult result;
    result.saved = true;
    SetPathName(path);
    SetModified(false);
    if (rowsLeftOut > 0) {
        user_.ShowMessage(
            "Only the first " + std::to_string(kMaxSites) + " sites of the list were saved.",
            MessageIcon::Exclamation);
    }
    if (history) {
        const std::string historyPath = ReadingHistory::PathFor(path);
        if (const std::string error = FileStore::Append(historyPath, *history); !error.empty()) {
            user_.ShowMessage(
                "The site file was saved, but its readings could not be added to "
                "the history file: " +
                    error + ".",
                MessageIcon::Exclamation);
            result.historyFailed = true;
        }
    }
    return result;
}

bool CQ417HostDoc::SaveModified() {
    return SaveOrDiscard().has_value();
}

std::optional<SaveChoice> CQ417HostDoc::SaveOrDiscard() {
    if (!modified_) {
        return SaveChoice::Discard;  // nothing to save
    }
    const SaveChoice choice = user_.AskSaveChanges(Title());
    if (choice != SaveChoice::Save) {
        return choice == SaveChoice::Cancel ? std::nullopt : std::optional(choice);
    }
    std::string path = pathName_;
    if (path.empty()) {
        const std::optional<std::string> chosen = user_.AskSavePath();
        if (!chosen) {
            return std::nullopt;
        }
        path = *chosen;
    }
    if (!SaveDocument(path).saved) {
        return std::nullopt;
    }
    return SaveChoice::Save;
}

PressureUnit CQ417HostDoc::UnitOfFirstSite() const {
    if (StoredSiteCount() == 0) {
        return PressureUnit::Psi;
    }
    return UnitOfName(Site(0).units).value_or(documentUnit_);
}

void CQ417HostDoc::DetectDocumentUnit() {
    SetDocumentUnit(UnitOfFirstSite());
}

void CQ417HostDoc::MergeReadoutData() {
    if (!SaveModified()) {
        return;
    }
    ClearSites();
    if (!EnsureSiteArray()) {
        user_.ShowMessage("There is not enough memory to add the readout data.",
                          MessageIcon::Error);
        return;
    }
    const ReadoutSettings settings = link_.Snapshot();
    const int records = UsableRecordCount(settings);
    hasData_ = true;
    // Texts from the readout go into every line of the site file and the history, which have
    // no quoting: a comma or a line end there would add sites and shift fields.
    const std::string serialNumber = BlankUnfitCharacters(settings.serialNumber);
    std::vector<int> unfitNames;
    int readoutSites = 0;  // records that hold a site
    int emptyRecords = 0;
    int badReadings = 0;
    siteCount_ = 0;
    for (int r = 0; r < records; ++r) {
        // Erased memory is an empty slot, not a site named "\xFF\xFF..." of the year 2136.
        if (ReadoutSiteRecord::IsErasedSlot(*settings.records, r)) {
            ++emptyRecords;
            continue;
        }
        if (++readoutSites > kMaxSites) {
            continue;
        }
        const ReadoutSiteRecord record = ReadoutSiteRecord::Read(*settings.records, r);
        const int k = siteCount_++;
        SiteRecord& site = Site(k);
        badReadings += KeepReadings(record, r, settings, site.readings);
        const StoredReadings& kept = site.readings;
        const ReadingEntry reference{record.referenceValue, record.referenceTime};
        if (kept.readingCount > 0) {
            const auto last = static_cast<std::size_t>(kept.readingCount - 1);
            site.latestData = FormatValue(kept.readingValues[last]);
            site.dateTime = FormatReadoutTime(kept.readingTimes[last]);
        } else if (IsReading(reference)) {
            site.latestData = FormatValue(reference.value);
            site.dateTime = FormatReadoutTime(reference.time);
        } else {
            ++badReadings;
            site.latestData = kNoReadingValue;
            site.dateTime = kNoReadingDateTime;
        }
        site.location = BlankUnfitCharacters(record.name);
        if (site.location != record.name) {
            unfitNames.push_back(k + 1);
        }
        site.serialNumber = serialNumber;
        site.units = settings.calUnitsName;
        site.id = std::to_string(k + 1);
    }
    // Every site carries calUnitsName, so this is calUnits when that names a unit. The unit is
    // settled before it becomes the document's, so that it changes at most once.
    PressureUnit unit = UnitOfFirstSite();
    if (view_ != nullptr) {
        view_->ClearList();
        view_->FillList();
    }
    if (settings.displayUnits != settings.calUnits) {
        const PressureUnit display = UnitOfCode(settings.displayUnits);
        if (view_ != nullptr) {
            view_->ConvertDisplayedValues(display, unit);
            view_->SetUnitsColumn(display);
        }
        unit = display;
    }
    SetDocumentUnit(unit);
    SetModified(true);
    if (readoutSites > kMaxSites) {
        user_.ShowMessage("The readout holds " + std::to_string(readoutSites) +
                              " sites. Only the first " + std::to_string(kMaxSites) +
                              " are in the site list.",
                          MessageIcon::Exclamation);
    }
    if (const std::string message =
            UnfitTextMessage(unfitNames, serialNumber != settings.serialNumber);
        !message.empty()) {
        user_.ShowMessage(message, MessageIcon::Exclamation);
    }
    if (const std::string message = LeftOutMessage(emptyRecords, badReadings); !message.empty()) {
        user_.ShowMessage(message, MessageIcon::Exclamation);
    }
}

bool CQ417HostDoc::ConfirmUpload() {
    if (!SaveOrDiscard()) {
        return false;
    }
    if (!user_.AskYesNo(Question::ConfirmUpload,
                        "Are you sure you want to upload new site info?")) {
        return false;
    }
    // The readout receives the list the window shows, saved or not: a discarded edit still
    // stands in the rows, and the sites as last saved would bring back a deleted one.
    if (view_ != nullptr && (sites_ || view_->RowCount() > 0)) {
        view_->SyncFromList();
    }
    if (!sites_) {
        // Without a site array there is nothing the readout could be given.
        user_.ShowMessage("There are no sites to upload. Save the site list first.",
                          MessageIcon::Exclamation);
        return false;
    }
    return true;
}

int CQ417HostDoc::ReadingsRecord(int k, const ReadoutSettings& settings) const {
    const StoredReadings& readings = Site(k).readings;
    if (readings.readoutRecord == kNoReadoutRecord) {
        return -1;
    }
    // A record number names a record of the readout it came from; of any other readout, only
    // the place in the list says which record stands for the site.
    if (readings.readoutRecord >= 0 && readings.readoutSerial == settings.serialNumber) {
        return readings.readoutRecord;
    }
    return k;
}

std::string CQ417HostDoc::RenamedReadingsNotice(const ReadoutSettings& settings) const {
    // Only a download since the readout connected tells which readings it holds.
    if (settings.dataReady == 0 || !settings.records) {
        return {};
    }
    const int count = std::min(StoredSiteCount(), UsableRecordCount(settings));
    const auto stored = std::make_unique<RecordImage>();  // the name as the readout keeps it
    std::vector<std::string> phrases;
    for (int k = 0; k < count; ++k) {
        // A site that knows its record takes that record's readings along; only one that
        // stands for the record at its place inherits what is there.
        const StoredReadings& own = Site(k).readings;
        if (ReadingsRecord(k, settings) != k ||
            (own.readoutRecord == k && own.readoutSerial == settings.serialNumber)) {
            continue;
        }
        const ReadoutSiteRecord record = ReadoutSiteRecord::Read(*settings.records, k);
        if (record.readingCount == 0) {
            continue;
        }
        ReadoutSiteRecord::WriteName(*stored, 0, Site(k).location);
        const std::string name = ReadoutSiteRecord::Read(*stored, 0).name;
        if (name != record.name) {
            phrases.push_back("site " + std::to_string(k + 1) + " '" + record.name + "' becomes '" +
                              name + "'; its " + std::to_string(record.readingCount) +
                              (record.readingCount == 1 ? " reading stays" : " readings stay") +
                              " with it");
        }
    }
    if (phrases.empty()) {
        return {};
    }
    // One line, as the command line shows it too; each phrase holds a semicolon, so the
    // phrases are joined by commas and a last "and".
    std::string text =
        "The readout keeps readings in the place of their site, so unless they are cleared, "
        "this upload gives sites that hold readings a new name: ";
    for (std::size_t i = 0; i < phrases.size(); ++i) {
        if (i > 0) {
            text += i + 1 == phrases.size() ? ", and " : ", ";
        }
        text += phrases[i];
    }
    return text + ".";
}

void CQ417HostDoc::ShowRenamedReadingsNotice() {
    if (const std::string notice = RenamedReadingsNotice(link_.Snapshot()); !notice.empty()) {
        user_.ShowMessage(notice, MessageIcon::Information);
    }
}

bool CQ417HostDoc::AskClearReadings() {
    ShowRenamedReadingsNotice();
    return user_.AskYesNo(Question::ClearReadings, "Would you like to clear all Q417 data points?");
}

bool CQ417HostDoc::ReadoutRecordsNeeded() const {
    return link_.Snapshot().dataReady == 0;
}

std::optional<UploadPlan> CQ417HostDoc::PrepareSiteUpload() {
    return PrepareSiteUpload(AskClearReadings());
}

std::optional<UploadPlan> CQ417HostDoc::PrepareSiteUpload(bool clearReadings) {
    const ReadoutSettings settings = link_.Snapshot();
    // Records are written whole, readings included. Unless a download since the readout
    // connected put its readings into the image, keeping them would write zeros over them.
    if (!clearReadings && (settings.dataReady == 0 || !settings.records)) {
        user_.ShowMessage(kReadingsNotDownloadedMessage, MessageIcon::Exclamation);
        return std::nullopt;
    }
    const int count = StoredSiteCount();
    auto image = settings.records ? std::make_shared<RecordImage>(*settings.records)
                                  : std::make_shared<RecordImage>();
    const PressureUnit calUnits = UnitOfCode(settings.calUnits);
    const int filled = UsableRecordCount(settings);
    for (int k = 0; k < count; ++k) {
        const SiteRecord& site = Site(k);
        ReadoutSiteRecord::WriteName(*image, k, site.location);
        ReadoutSiteRecord::WriteReference(
            *image, k, ConvertValueForReadout(ParseValue(site.latestData), documentUnit_, calUnits),
            ReadoutTimeFromDate(ParseSiteDateTime(site.dateTime)));
        if (clearReadings) {
            ReadoutSiteRecord::WriteReadingCount(*image, k, 0);
            continue;
        }
        // Kept readings go with their site: from the record it was downloaded from, as the
        // readout holds that record now.
        const int source = ReadingsRecord(k, settings);
        if (source == k) {
            continue;
        }
        if (source >= 0 && source < filled) {
            ReadoutSiteRecord::CopyReadings(*settings.records, source, *image, k);
        } else {
            ReadoutSiteRecord::WriteReadingCount(*image, k, 0);
        }
    }
    return UploadPlan{std::move(image), count, pathName_};
}

void CQ417HostDoc::UploadSubmitted(const UploadPlan& plan) {
    if (!plan.records) {
        return;
    }
    const ReadoutSettings settings = link_.Snapshot();
    const int count = std::min({StoredSiteCount(), plan.recordCount, kRecordCapacity});
    // The rows are the working copy: they take the same readings when they still show these
    // sites in this order.
    const bool rowsMatch = view_ != nullptr && view_->RowCount() == StoredSiteCount();
    for (int k = 0; k < count; ++k) {
        SiteRecord& site = Site(k);
        [[maybe_unused]] const int leftOut =
            KeepReadings(ReadoutSiteRecord::Read(*plan.records, k), k, settings, site.readings);
        if (rowsMatch && view_->CellText(k, SiteListView::kLocation) == site.location) {
            view_->SetRowReadings(k, site.readings);
        }
    }
}

std::string CQ417HostDoc::DataFileRefusal(const std::string& path) {
    if (path.empty()) {
        return "the readout names no data file";
    }
    if (path.front() != '/') {
        return path + " is not an absolute path";
    }
    const FileStore::ReadResult file = FileStore::Read(path, kMaxFileBytes);
    if (!file.ok) {
        return file.error;
    }
    if (const auto fault = SiteFile::FirstLineWithoutSixFields(file.bytes)) {
        return path + ": line " + std::to_string(fault->lineNumber) + " is not a site line";
    }
    if (!SiteFile::Parse(file.bytes).sawSiteLine) {
        return path + " holds no site line";
    }
    return {};
}

CQ417HostDoc::DownloadAcceptance CQ417HostDoc::AcceptDownload(bool autoOpen) {
    if (!autoOpen) {
        return {};
    }
    // Only a site file is opened: any other file the readout names would become the
    // document, and the next save would overwrite it with site lines.
    const std::string fileName = link_.Snapshot().fileName;
    if (std::string refusal = DataFileRefusal(fileName); !refusal.empty()) {
        MergeReadoutData();
        return {false, "Data file not opened: " + refusal + "."};
    }
    if (SaveModified()) {
        OpenDocument(fileName);
    }
    MergeReadoutData();
    return {};
}

}  // namespace q417
