// A replacement or an append that fails leaves the file as it was, and nothing beside it.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "FileAppend.h"
#include "FileWriting.h"
#include "TempDir.h"

namespace q417 {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

// Runs write under a file size limit of limit bytes, as a full disk would cut it short, with
// SIGXFSZ ignored as the programs do; the limit and the signal are restored afterwards.
template <typename Write>
FileWriting::Outcome UnderSizeLimit(rlim_t limit, Write write) {
    struct rlimit old {};
    EXPECT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = limit;
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    FileWriting::Outcome outcome = write();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return outcome;
}

std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

enum class Operation { Replace, Append };

FileWriting::Outcome Write(Operation operation, const std::string& path, const std::string& bytes) {
    if (operation == Operation::Replace) {
        return FileWriting::ReplaceAtomically(path, bytes);
    }
    FileAppend file(path, FileAppend::Access::WriteOnly);
    return file.Commit(bytes);
}

const std::string kOld = "1,North,01/01/00 00:01\r\n";
const std::string kNew(4096, 'n');

struct Failure {
    const char* name;
    const char* file;  // in the test's folder, which holds "data" (kOld) and "plain"
    rlim_t sizeLimit;  // RLIM_INFINITY: none
    int error;
};

const Failure kFailures[] = {
    {"missing folder", "gone/data", RLIM_INFINITY, ENOENT},
    {"folder is a file", "plain/data", RLIM_INFINITY, ENOTDIR},
    {"cut short mid-way", "data", kOld.size() + 10, EFBIG},
    {"no room at all", "data", kOld.size(), EFBIG},
};

TEST(FileWritingTest, FailureLeavesTheOldFileAndNothingElse) {
    for (const Operation operation : {Operation::Replace, Operation::Append}) {
        for (const Failure& failure : kFailures) {
            SCOPED_TRACE(std::string(failure.name) +
                         (operation == Operation::Replace ? ", replace" : ", append"));
            test::TempDir dir("q417-filewriting");
            WriteFileBytes(dir.Path("data"), kOld);
            WriteFileBytes(dir.Path("plain"), "");
            const std::vector<std::string> before = Names(dir.Root());

            const FileWriting::Outcome outcome = UnderSizeLimit(
                failure.sizeLimit, [&] { return Write(operation, dir.Path(failure.file), kNew); });

            EXPECT_EQ(outcome.error, failure.error);
            EXPECT_TRUE(outcome.cutBack);
            EXPECT_EQ(ReadFileBytes(dir.Path("data")), kOld);
            EXPECT_EQ(Names(dir.Root()), before);
        }
    }
}

TEST(FileWritingTest, SucceedsAfterAFailure) {
    test::TempDir dir("q417-filewriting");
    const std::string path = dir.Path("data");
    WriteFileBytes(path, kOld);
    ASSERT_FALSE(
        UnderSizeLimit(kOld.size() + 1, [&] { return Write(Operation::Append, path, kNew); }).Ok());
    EXPECT_TRUE(Write(Operation::Append, path, "x").Ok());
    EXPECT_EQ(ReadFileBytes(path), kOld + "x");
    EXPECT_TRUE(Write(Operation::Replace, path, "y").Ok());
    EXPECT_EQ(ReadFileBytes(path), "y");
}

TEST(FileWritingTest, ReplacementKeepsPermissionsAndLinks) {
    test::TempDir dir("q417-filewriting");
    const std::string real = dir.Path("real");
    const std::string link = dir.Path("link");
    WriteFileBytes(real, "old");
    ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
    fs::create_symlink(real, link);

    EXPECT_TRUE(FileWriting::ReplaceAtomically(link, std::string("a\0b\r\n", 5)).Ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(real), std::string("a\0b\r\n", 5));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Names(dir.Root()), (std::vector<std::string>{"link", "real"}));
}

}  // namespace
}  // namespace q417
