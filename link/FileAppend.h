#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "FileWriting.h"

namespace q417 {

// One append to a file that is all or nothing: opened (created when missing, 0666 less the
// umask) and locked against other appends, then Commit adds the bytes, flushed to disk, or on
// any failure cuts the file back to the length it had when opened. Closes the file when done.
class FileAppend {
  public:
    enum class Access { WriteOnly, ReadWrite };  // ReadWrite lets ReadByteAt look at old bytes

    FileAppend(std::string path, Access access);
    ~FileAppend();
    FileAppend(const FileAppend&) = delete;
    FileAppend& operator=(const FileAppend&) = delete;

    // errno of opening the file or of taking its length; 0 when it is open.
    [[nodiscard]] int OpenError() const { return openError_; }
    [[nodiscard]] bool IsRegular() const { return regular_; }
    // The length before the append, in bytes.
    [[nodiscard]] off_t OldSize() const { return oldSize_; }
    // Reads the byte at offset into byte; 0, or errno (EIO when there is no such byte).
    [[nodiscard]] int ReadByteAt(off_t offset, char& byte) const;

    // Appends bytes (nothing for none) and closes the file. Outcome::file is the path.
    [[nodiscard]] FileWriting::Outcome Commit(std::string_view bytes);

  private:
    std::string path_;
    int fd_ = -1;
    int openError_ = 0;
    bool regular_ = false;
    off_t oldSize_ = 0;
};

}  // namespace q417
