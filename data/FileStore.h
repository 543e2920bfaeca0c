#pragma once

#include <cstddef>
#include <string>

namespace q417 {

// The file operations of the document, with the reason of a failure in words.
class FileStore {
  public:
    struct ReadResult {
        bool ok = false;
        bool tooLarge = false;  // the file exceeds the limit; nothing was read
        std::string bytes;
        std::string error;  // why it failed, naming the file
    };

    // Whether the file can be opened for reading (an empty path cannot).
    [[nodiscard]] static bool CanRead(const std::string& path);

    // The folder a file of path lies in, as the system names it: "." for a bare name, "/" for a
    // file at the root.
    [[nodiscard]] static std::string FolderOf(const std::string& path);

    // The whole file, if it is a regular file of at most maxBytes.
    [[nodiscard]] static ReadResult Read(const std::string& path, std::size_t maxBytes);

    // Replaces the file with bytes so that it is either the old file or the new one whatever
    // happens: a temporary file in the same folder, flushed to disk, renamed over the old one.
    // An existing file keeps its permissions; a symbolic link keeps pointing at the file it
    // names. Returns an empty text, or why it failed (the old file is then untouched).
    [[nodiscard]] static std::string WriteAtomically(const std::string& path,
                                                     const std::string& bytes);

    // Appends bytes to the file, creating it when missing: all of them or, on failure, none
    // (the file is cut back to its old length). A file that does not end with a line end gets
    // CR LF first (a lone CR at its end is completed to CR LF), so the first new row is not
    // glued onto its last line. Returns an empty text, or why it failed.
    [[nodiscard]] static std::string Append(const std::string& path, const std::string& bytes);
};

}  // namespace q417
