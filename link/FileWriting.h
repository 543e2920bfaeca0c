#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

namespace q417 {

// Writing files so that a failure never leaves one cut short.
class FileWriting {
  public:
    struct Outcome {
        int error = 0;     // errno of the step that failed; 0 when all went well
        std::string file;  // the file that step acted on: the path as given, or the temporary file
        // An append that failed: whether the file is back at its old length.
        bool cutBack = true;
        [[nodiscard]] bool Ok() const { return error == 0; }
    };

    // Writes all of bytes to fd, resuming after interruptions and short writes. False with
    // errno set when a write fails or makes no progress.
    [[nodiscard]] static bool WriteAll(int fd, std::string_view bytes);

    // Replaces the file at path with bytes so that it is either the old file or the new one
    // whatever happens: a temporary file in the same folder, flushed to disk, renamed over the
    // old one, and the folder flushed. An existing file keeps its permissions, a new one gets
    // newFileMode less the umask; a symbolic link keeps pointing at the file it names. On
    // failure the temporary file is removed and the old file is untouched.
    [[nodiscard]] static Outcome ReplaceAtomically(const std::string& path, std::string_view bytes,
                                                   mode_t newFileMode = 0666);
};

}  // namespace q417
