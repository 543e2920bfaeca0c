#include "FileStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "FileAppend.h"
#include "FileWriting.h"

namespace q417 {
namespace {

std::string Reason(const std::string& path, int error) {
    return path + ": " + std::system_category().message(error);
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
    const FileWriting::Outcome outcome = FileWriting::ReplaceAtomically(path, bytes);
    return outcome.Ok() ? std::string() : Reason(path, outcome.error);
}

std::string FileStore::Append(const std::string& path, const std::string& bytes) {
    // Read and write: the last byte tells whether the file ends with a line end.
    FileAppend file(path, FileAppend::Access::ReadWrite);
    if (file.OpenError() != 0) {
        return Reason(path, file.OpenError());
    }
    if (!file.IsRegular()) {
        return path + ": not a regular file";
    }
    std::string out;
    if (!bytes.empty() && file.OldSize() > 0) {
        char last = 0;
        if (const int error = file.ReadByteAt(file.OldSize() - 1, last); error != 0) {
            return Reason(path, error);
        }
        // New rows start on a line of their own; a CR left alone is completed to CR LF.
        if (last == '\r') {
            out = "\n";
        } else if (last != '\n') {
            out = "\r\n";
        }
    }
    out += bytes;
    const FileWriting::Outcome outcome = file.Commit(out);
    if (!outcome.Ok()) {
        return Reason(path, outcome.error) +
               (outcome.cutBack ? "" : "; the rows written so far could not be taken back");
    }
    return {};
}

}  // namespace q417
