#include "FileAppend.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace q417 {

FileAppend::FileAppend(std::string path, Access access) : path_(std::move(path)) {
    const int mode = access == Access::ReadWrite ? O_RDWR : O_WRONLY;
    fd_ = ::open(path_.c_str(), mode | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        openError_ = errno;
        return;
    }
    // Another append to the same file waits, so that the length taken here stays the one to
    // go back to. Best effort: a file system without locks still gets the append.
    (void)::flock(fd_, LOCK_EX);
    struct stat info {};
    if (::fstat(fd_, &info) != 0) {
        openError_ = errno;
        ::close(fd_);
        fd_ = -1;
        return;
    }
    regular_ = S_ISREG(info.st_mode);
    oldSize_ = info.st_size;
}

FileAppend::~FileAppend() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

int FileAppend::ReadByteAt(off_t offset, char& byte) const {
    errno = 0;
    if (::pread(fd_, &byte, 1, offset) != 1) {
        return errno != 0 ? errno : EIO;
    }
    return 0;
}

FileWriting::Outcome FileAppend::Commit(std::string_view bytes) {
    if (fd_ < 0) {
        return {openError_ != 0 ? openError_ : EBADF, path_};
    }
    const int fd = std::exchange(fd_, -1);
    if (bytes.empty()) {
        ::close(fd);
        return {};
    }
    // On any failure (a full disk, the file size limit, an I/O error) the file goes back to
    // its old length, so nothing is left cut in the middle.
    if (!FileWriting::WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        const int error = errno;
        const bool cutBack = ::ftruncate(fd, oldSize_) == 0;
        ::close(fd);
        return {error, path_, cutBack};
    }
    if (::close(fd) != 0) {
        const int error = errno;
        return {error, path_, ::truncate(path_.c_str(), oldSize_) == 0};
    }
    return {};
}

}  // namespace q417
