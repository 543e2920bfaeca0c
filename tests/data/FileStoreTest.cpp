// Saving replaces a file whole or not at all; appending never truncates.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
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

// How the writes fail is the file-writing layer's to test; here only what the user is told.
TEST_F(FileStoreTest, FailedWriteSaysWhy) {
    const std::string missing = Path("no-such-folder/sites.ini");
    EXPECT_EQ(FileStore::WriteAtomically(missing, "x"), missing + ": No such file or directory");
    const std::string csv = Path("no-such-folder/sites.csv");
    EXPECT_EQ(FileStore::Append(csv, "x"), csv + ": No such file or directory");
    EXPECT_EQ(FileStore::Append(dir_.Root().string(), "x"),
              dir_.Root().string() + ": Is a directory");
}

TEST_F(FileStoreTest, AppendCreatesThenAppends) {
    const std::string path = Path("sites.csv");
    EXPECT_EQ(FileStore::Append(path, ""), "");
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(FileStore::Append(path, "a\r\n"), "");
    EXPECT_EQ(FileStore::Append(path, "b\r\n"), "");
    EXPECT_EQ(ReadFileBytes(path), "a\r\nb\r\n");
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
