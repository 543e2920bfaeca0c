#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "HistoryData.h"

namespace q417 {

// Reads the history files that saves append to (six fields a line: ID, location, date, value,
// unit, serial number) in one pass and in bounded memory: bytes are fed in chunks of any size,
// lines end in LF, CR LF or a lone CR, texts are 8-bit. A reading that a later save wrote again
// (the same site, time stamp and value) counts once; a line that is not a history line is
// skipped and counted, never fatal.
class HistoryReader {
  public:
    HistoryReader();
    ~HistoryReader();
    HistoryReader(const HistoryReader&) = delete;
    HistoryReader& operator=(const HistoryReader&) = delete;

    // More bytes of the current source; a line may straddle two calls.
    void Feed(std::string_view bytes);
    // Ends the current source: its last line counts even without a line break. Readings fed
    // after this carry origin (the text the next save would append is fed as Unsaved after the
    // file, so what is already saved stays Saved).
    void EndSource(ReadingOrigin nextOrigin = ReadingOrigin::Unsaved);
    // Ends the input and hands over the result, each site's readings in time order. The same
    // reading saved in two units (the document's unit changed between saves) counts once.
    [[nodiscard]] HistoryData Finish();

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

enum class HistoryFileStatus { Read, Missing, Unreadable };

struct HistoryFileResult {
    HistoryFileStatus status = HistoryFileStatus::Read;
    std::string error;  // strerror's text when not Read
    HistoryData data;
};

// The whole history file at path, read in blocks. unsavedText, when given, is what the next save
// would append (its readings come out as Unsaved unless the file holds them). A missing file with
// unsavedText still gives those readings, with status Missing.
[[nodiscard]] HistoryFileResult ReadHistoryFile(const std::string& path,
                                                std::string_view unsavedText = {});

}  // namespace q417
