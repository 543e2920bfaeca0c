#pragma once

#include <memory>
#include <string>

#include "RecordImage.h"

namespace q417 {

// Records an upload writes with one command.
inline constexpr int kRecordsPerUploadStep = 10;

// What an upload writes, prepared from the site list before the job is submitted: the record
// image (records 0..recordCount-1 go to the readout whole), then the file name and the record
// count. The upload job carries it, so a reconnection that reads the readout afresh between the
// preparation and the job cannot change what is written.
struct UploadPlan {
    std::shared_ptr<const RecordImage> records;  // never changed in place
    int recordCount = 0;
    std::string fileName;
};

}  // namespace q417
