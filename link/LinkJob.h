#pragma once

#include "LinkEvent.h"
#include "ReadoutSettings.h"
#include "UploadPlan.h"

namespace q417 {

// Job codes.
inline constexpr int JOB_OPEN_PORT = 1;
inline constexpr int JOB_CHANGE_BAUD = 2;
inline constexpr int JOB_OPEN_PORT_AND_BAUD = 3;
inline constexpr int JOB_WRITE_SETTINGS = 0x800;
inline constexpr int JOB_SYNC_CLOCK = 0x1000;
inline constexpr int JOB_UPLOAD = 0x4000;
inline constexpr int JOB_RECONNECT = 0x8000;
inline constexpr int JOB_CAPTURE = 0x10000;
inline constexpr int JOB_RESET_BATTERY = 0x40000;
inline constexpr int JOB_DOWNLOAD = 0x80000;

// One job for the worker. A settings write carries its own copy of the request, and an upload
// its prepared records, so the requester may change or drop its copies as soon as it has
// submitted.
struct LinkJob {
    int code = 0;
    RequesterId requester = 0;
    ReadoutSettings request;  // JOB_WRITE_SETTINGS only
    int flags = 0;            // JOB_WRITE_SETTINGS only
    UploadPlan upload;        // JOB_UPLOAD only
};

}  // namespace q417
