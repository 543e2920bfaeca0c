#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace q417::test {

// A fresh folder for the running test, named after it and the process, removed with all it
// holds when the test ends (also when the test made it read-only).
class TempDir {
  public:
    explicit TempDir(const std::string& prefix)
        : root_(std::filesystem::temp_directory_path() /
                (prefix + "-" + std::to_string(::getpid()) + "-" + TestName())) {
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::permissions(root_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(root_, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    [[nodiscard]] const std::filesystem::path& Root() const { return root_; }
    // The path of name inside the folder.
    [[nodiscard]] std::string Path(const std::string& name) const {
        return (root_ / name).string();
    }

  private:
    // A parameterised test's name holds a slash ("Case/Name"), which would nest the folder in
    // one that is never removed.
    static std::string TestName() {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        return name;
    }

    std::filesystem::path root_;
};

// A file's bytes, unchanged (empty when it cannot be read).
inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace q417::test
