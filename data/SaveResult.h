#pragma once

namespace q417 {

// What a save achieved. The user has already been told of any failure; this is for a caller
// that goes on from the save, such as a command that sets its exit status.
struct [[nodiscard]] SaveResult {
    // The site file was written.
    bool saved = false;
    // The site file was written, but its readings could not be added to the history file.
    bool historyFailed = false;

    // Both files are as the save meant them to be.
    [[nodiscard]] bool Complete() const { return saved && !historyFailed; }
};

}  // namespace q417
