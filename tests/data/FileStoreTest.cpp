// Saving replaces a file whole or not at all; appending never truncates.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#include "FileStore.h"
#include "TempDir.h"

namespace q417 {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

class FileStoreTest : public ::testing::Test {
  protected:
    std::string Path(const char* name) const { return dir_.Path(name); }

    // Names in the folder, to see that no temporary file was left behind.
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_.Root())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    test::TempDir dir_{"q417-filestore"};
};

TEST_F(FileStoreTest, WriteCreatesAndReplacesLeavingNothingElse) {
    const std::string path = Path("sites.ini");
    EXPECT_EQ(FileStore::WriteAtomically(path, "first"), "");
    EXPECT_EQ(ReadFileBytes(path), "first");
    EXPECT_EQ(FileStore::WriteAtomically(path, std::string("a\0b\r\n", 5)), "");
    EXPECT_EQ(ReadFileBytes(path), std::string("a\0b\r\n", 5));
    EXPECT_EQ(FileStore::WriteAtomically(path, ""), "");
    EXPECT_EQ(ReadFileBytes(path), "");
    EXPECT_EQ(Names(), std::vector<std::string>{"sites.ini"});
}

TEST_F(FileStoreTest, ReplacedFileKeepsItsPermissions) {
    const std::string path = Path("sites.ini");
    WriteFileBytes(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    EXPECT_EQ(FileStore::WriteAtomically(path, "new"), "");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640U);
}

TEST_F(FileStoreTest, SymbolicLinkStaysALink) {
    const std::string real = Path("real.ini");
    const std::string link = Path("link.ini");
    WriteFileBytes(real, "old");
    fs::create_symlink(real, link);
    EXPECT_EQ(FileStore::WriteAtomically(link, "new"), "");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(real), "new");
}

TEST_F(FileStoreTest, FailedWriteLeavesTheOldFileAndSaysWhy) {
    const std::string missing = Path("no-such-folder/sites.ini");
    const std::string error = FileStore::WriteAtomically(missing, "x");
    EXPECT_NE(error.find("no-such-folder/sites.ini"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;

    if (::geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    const std::string path = Path("sites.ini");
    WriteFileBytes(path, "precious");
    ASSERT_EQ(::chmod(dir_.Root().c_str(), 0555), 0);
    EXPECT_NE(FileStore::WriteAtomically(path, "replacement"), "");
    EXPECT_EQ(ReadFileBytes(path), "precious");
    EXPECT_EQ(Names(), std::vector<std::string>{"sites.ini"});
}

TEST_F(FileStoreTest, WriteCutShortLeavesTheOldFileWhole) {
    // A file-size limit makes the write fail halfway, as a full disk would.
    const std::string path = Path("sites.ini");
    WriteFileBytes(path, "precious old contents");
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string error = FileStore::WriteAtomically(path, std::string(4096, 'n'));
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_NE(error, "");
    EXPECT_EQ(ReadFileBytes(path), "precious old contents");
    EXPECT_EQ(Names(), std::vector<std::string>{"sites.ini"});
}

TEST_F(FileStoreTest, AppendCreatesThenAppends) {
    const std::string path = Path("sites.csv");
    EXPECT_EQ(FileStore::Append(path, ""), "");
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(FileStore::Append(path, "a\r\n"), "");
    EXPECT_EQ(FileStore::Append(path, "b\r\n"), "");
    EXPECT_EQ(ReadFileBytes(path), "a\r\nb\r\n");
    EXPECT_NE(FileStore::Append(dir_.Root().string(), "x"), "");  // a folder cannot be appended to
}

TEST_F(FileStoreTest, ReadRefusesFoldersMissingAndLargeFiles) {
    const std::string path = Path("sites.ini");
    WriteFileBytes(path, "12345");
    FileStore::ReadResult ok = FileStore::Read(path, 5);
    EXPECT_TRUE(ok.ok);
    EXPECT_EQ(ok.bytes, "12345");

    FileStore::ReadResult large = FileStore::Read(path, 4);
    EXPECT_FALSE(large.ok);
    EXPECT_TRUE(large.tooLarge);
    EXPECT_TRUE(large.bytes.empty());

    FileStore::ReadResult missing = FileStore::Read(Path("gone.ini"), 100);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("gone.ini: No such file or directory"), std::string::npos);

    FileStore::ReadResult folder = FileStore::Read(dir_.Root().string(), 100);
    EXPECT_FALSE(folder.ok);
    EXPECT_NE(folder.error.find("Is a directory"), std::string::npos) << folder.error;
}

}  // namespace
}  // namespace q417
