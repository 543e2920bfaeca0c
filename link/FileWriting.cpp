#include "FileWriting.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

namespace q417 {
namespace {

// The file a replacement really replaces: the target of a symbolic link, so the link survives.
std::string ReplaceTarget(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) {
            return resolved;
        }
    }
    return path;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// Creates a new, empty temporary file beside target, under a name no other writer picks.
int CreateTemporary(const std::string& target, mode_t mode, std::string& temporaryPath) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath =
            target + ".save-" + std::to_string(::getpid()) + "-" + std::to_string(random());
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

bool FileWriting::WriteAll(int fd, std::string_view bytes) {
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
        // A short write is followed by one that says why the rest did not fit (ENOSPC, EFBIG).
        done += static_cast<std::size_t>(n);
    }
    return true;
}

FileWriting::Outcome FileWriting::ReplaceAtomically(const std::string& path, std::string_view bytes,
                                                    mode_t newFileMode) {
    const std::string target = ReplaceTarget(path);
    std::string temporary;
    const int fd = CreateTemporary(target, newFileMode, temporary);
    if (fd < 0) {
        return {errno, temporary};
    }
    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) {
        (void)::fchmod(fd, old.st_mode & 07777);  // best effort: the owner may differ
    }
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        return {error, temporary};
    }
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return {error, temporary};
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return {error, path};
    }
    // The rename itself reaches the disk with the folder.
    const int folder = ::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        (void)::fsync(folder);
        ::close(folder);
    }
    return {};
}

}  // namespace q417
