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

// Runs write under a file size limit of limit bytes, as a full disk would cut it short, with
// SIGXFSZ ignored as the programs do; the limit and the signal are restored afterwards.
template <typename Write>
std::string UnderSizeLimit(rlim_t limit, Write write) {
    struct rlimit old {};
    if (::getrlimit(RLIMIT_FSIZE, &old) != 0) {
        ADD_FAILURE() << "getrlimit";
        return {};
    }
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = limit;
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string error = write();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    return error;
}

TEST_F(FileStoreTest, WriteCutShortLeavesTheOldFileWhole) {
    const std::string path = Path("sites.ini");
    WriteFileBytes(path, "precious old contents");
    const std::string error = UnderSizeLimit(
        64, [&] { return FileStore::WriteAtomically(path, std::string(4096, 'n')); });

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

TEST_F(FileStoreTest, AppendCutShortLeavesTheOldBytesExactly) {
    const std::string path = Path("sites.csv");
    const std::string old = "1,North,01/01/00 00:01,1.000000000,PSI,3\r\n";
    WriteFileBytes(path, old);
    const std::string rows = "2,South,01/01/00 00:02,2.000000000,PSI,3\r\n";
    // Part of the rows fits below the limit; none fits at it.
    for (const rlim_t limit :
         {static_cast<rlim_t>(old.size() + 10), static_cast<rlim_t>(old.size())}) {
        const std::string error =
            UnderSizeLimit(limit, [&] { return FileStore::Append(path, rows + rows); });
        EXPECT_NE(error.find("sites.csv: File too large"), std::string::npos) << error;
        EXPECT_EQ(ReadFileBytes(path), old) << limit;
    }
    EXPECT_EQ(FileStore::Append(path, rows), "");
    EXPECT_EQ(ReadFileBytes(path), old + rows);
}

TEST_F(FileStoreTest, AppendStartsTheRowsOnANewLine) {
    const std::string path = Path("sites.csv");
    WriteFileBytes(path, "1,A,,,,");
    EXPECT_EQ(FileStore::Append(path, ""), "");  // no rows, no change
    EXPECT_EQ(ReadFileBytes(path), "1,A,,,,");
    EXPECT_EQ(FileStore::Append(path, "2,B,,,,\r\n"), "");
    EXPECT_EQ(ReadFileBytes(path), "1,A,,,,\r\n2,B,,,,\r\n");

    WriteFileBytes(path, "1,A,,,,\r");
    EXPECT_EQ(FileStore::Append(path, "2,B,,,,\r\n"), "");
    EXPECT_EQ(ReadFileBytes(path), "1,A,,,,\r\n2,B,,,,\r\n");

    WriteFileBytes(path, "1,A,,,,\n");
    EXPECT_EQ(FileStore::Append(path, "2,B,,,,\r\n"), "");
    EXPECT_EQ(ReadFileBytes(path), "1,A,,,,\n2,B,,,,\r\n");
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

    // A FIFO with no writer would block an open for reading for good.
    const std::string fifo = Path("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(FileStore::CanRead(fifo));
    FileStore::ReadResult pipe = FileStore::Read(fifo, 100);
    EXPECT_FALSE(pipe.ok);
    EXPECT_EQ(pipe.error, fifo + ": not a regular file");
    EXPECT_TRUE(FileStore::CanRead(path));
}

}  // namespace
}  // namespace q417
