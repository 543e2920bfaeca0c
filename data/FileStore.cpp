#include "FileStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>
#include <system_error>

namespace q417 {
namespace {

std::string Reason(const std::string& path, int error) {
    return path + ": " + std::system_category().message(error);
}

// Writes all of bytes to fd, resuming after interruptions and short writes. A short write is
// followed by one that says why the rest did not fit (ENOSPC, EFBIG), which fails.
bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (n == 0) {
            errno = EIO;  // no progress and no reason: give up rather than spin
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// The file a save really replaces: the target of a symbolic link, so the link survives.
std::string SaveTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) {
            return resolved;
        }
    }
    return path;
}

// Creates a new, empty temporary file beside target, under a name no other save picks. The
// mode 0666 lets the umask decide the permissions, as for any new file.
int CreateTemporary(const std::string& target, std::string& temporaryPath) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath =
            target + ".save-" + std::to_string(::getpid()) + "-" + std::to_string(random());
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

bool FileStore::CanRead(const std::string& path) {
    if (path.empty()) {
        return false;
    }
    // Not blocking: opening a FIFO for reading would wait for a writer that may never come.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    const bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    ::close(fd);
    return regular;
}

std::string FileStore::FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

FileStore::ReadResult FileStore::Read(const std::string& path, std::size_t maxBytes) {
    ReadResult result;
    // Not blocking: opening a FIFO for reading would wait for a writer that may never come.
    // Regular files read the same either way.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        result.error = Reason(path, errno);
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.error = Reason(path, errno);
        ::close(fd);
        return result;
    }
    if (S_ISDIR(info.st_mode)) {
        result.error = Reason(path, EISDIR);
        ::close(fd);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        result.error = path + ": not a regular file";
        ::close(fd);
        return result;
    }
    // Reading one byte past the limit tells a file that is too large, whatever its size says.
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            result.error = Reason(path, errno);
            ::close(fd);
            return result;
        }
        if (n == 0) {
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > maxBytes) {
            result.tooLarge = true;
            result.error = path + ": the file is larger than " + std::to_string(maxBytes) +
                           " bytes, too large for a site file";
            ::close(fd);
            return result;
        }
    }
    ::close(fd);
    result.ok = true;
    result.bytes = std::move(bytes);
    return result;
}

std::string FileStore::WriteAtomically(const std::string& path, const std::string& bytes) {
    const std::string target = SaveTarget(path);
    std::string temporary;
    const int fd = CreateTemporary(target, temporary);
    if (fd < 0) {
        return Reason(path, errno);
    }
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        (void)::fchmod(fd, old.st_mode & 07777);  // best effort: the owner may differ
    }
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        return Reason(path, error);
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return Reason(path, error);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return Reason(path, error);
    }
    // The rename itself reaches the disk with the folder.
    const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
    return {};
}

std::string FileStore::Append(const std::string& path, const std::string& bytes) {
    // Read and write: the last byte tells whether the file ends with a line end.
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Reason(path, errno);
    }
    // Another save appending to the same file waits, so that the size taken here stays the one
    // to go back to. Best effort: a file system without locks still gets the append.
    (void)::flock(fd, LOCK_EX);
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return Reason(path, error);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return path + ": not a regular file";
    }
    const off_t oldSize = info.st_size;
    std::string out;
    if (!bytes.empty() && oldSize > 0) {
        char last = 0;
        errno = 0;
        if (::pread(fd, &last, 1, oldSize - 1) != 1) {
            const int error = errno;
            ::close(fd);
            return Reason(path, error != 0 ? error : EIO);
        }
        // New rows start on a line of their own; a CR left alone is completed to CR LF.
        if (last == '\r') {
            out = "\n";
        } else if (last != '\n') {
            out = "\r\n";
        }
    }
    out += bytes;
    if (out.empty()) {
        ::close(fd);
        return {};
    }
    // All the rows or none: on any failure (a full disk, the file size limit, an I/O error)
    // the file goes back to its old length, so no row is left cut in the middle.
    if (!WriteAll(fd, out) || ::fsync(fd) != 0) {
        const int error = errno;
        const bool restored = ::ftruncate(fd, oldSize) == 0;
        ::close(fd);
        return Reason(path, error) +
               (restored ? "" : "; the rows written so far could not be taken back");
    }
    if (::close(fd) != 0) {
        const int error = errno;
        (void)::truncate(path.c_str(), oldSize);
        return Reason(path, error);
    }
    return {};
}

}  // namespace q417
