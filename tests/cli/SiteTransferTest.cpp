// download and upload in-process against the simulated readout: the site and history files byte
// for byte, retries of failed transfers, the readout's readings kept or cleared by an upload,
// the read-back checks, and command lines refused before the port is touched.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CliDocumentUser.h"
#include "CliFixture.h"
#include "DefaultSiteFiles.h"
#include "DownloadCommand.h"
#include "ExitCode.h"
#include "ForwardingLine.h"
#include "LinkSession.h"
#include "ReadoutCommands.h"
#include "ReadoutSiteRecord.h"
#include "SignalWatch.h"
#include "TempDir.h"
#include "UploadCommand.h"

namespace q417::cli {
namespace {

using Lines = std::vector<std::string>;

using q417::test::kFourSitesCsv;
using q417::test::kFourSitesIni;

// Three sites to upload; the third name is longer than the readout's 20 characters.
const std::string kUploadIni =
    "1,Intake North,12/01/26 08:30,12.5,PSI,30303000\r\n"
    "2,Outfall,11/15/26 17:45,-3.25,PSI,30303000\r\n"
    "3,A location name longer than twenty,01/01/00 00:00,0.000000000,PSI,30303000";
// What an upload of kUploadIni, keeping the readings, tells first: the default readout's sites 2
// and 3 hold readings, which stay with their records under the new names.
const std::string kRenameNotice =
    "q417cli: The readout keeps readings in the place of their site, so unless they are cleared, "
    "this upload gives sites that hold readings a new name: site 2 'MW-02 PUMP HOUSE' becomes "
    "'Outfall'; its 1 reading stays with it, and site 3 'PZ-03 EAST BERM' becomes 'A location "
    "name long'; its 2 readings stay with it.\n";
constexpr std::uint32_t kIntakeTime = 849429000;   // 2026-12-01 08:30 in readout seconds
constexpr std::uint32_t kOutfallTime = 848079900;  // 2026-11-15 17:45

std::uint32_t Bits(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// A line that damages one upload packet on its way to the readout, as line noise would: the
// readout acknowledges it but does not store it, so only reading the records back shows it.
class PacketNoiseLine final : public ForwardingLine {
  public:
    PacketNoiseLine(SerialLine& line, int damagedPacket)
        : ForwardingLine(line), damaged_(damagedPacket) {}

    void PortWrite(const std::uint8_t* buffer, int count) override {
        if (count != ReadoutCommands::kPacketSize || packets_++ != damaged_) {
            Inner().PortWrite(buffer, count);
            return;
        }
        std::vector<std::uint8_t> noisy(buffer, buffer + count);
        noisy[0] ^= 0x20;
        Inner().PortWrite(noisy.data(), count);
    }

  private:
    int damaged_;
    int packets_ = 0;
};

// A cable that is pulled as the nth command line holding prefix goes out (by default, as the
// third record is asked for), and plugged in again outageMs later (never when negative): the
// readout hears nothing in between. With swap, another readout is plugged in.
class PulledCableLine final : public ForwardingLine {
  public:
    PulledCableLine(sim::FakeLine& line, sim::ManualClock& clock, std::int64_t outageMs,
                    std::string prefix = "RP ", int nth = 3, bool swap = false)
        : ForwardingLine(line),
          line_(line),
          clock_(clock),
          outageMs_(outageMs),
          prefix_(std::move(prefix)),
          nth_(nth),
          swap_(swap) {}

    void PortWrite(const std::uint8_t* buffer, int count) override {
        for (int i = 0; i < count; ++i) {
            PortPutChar(buffer[i]);
        }
    }
    void PortPutChar(int byte) override {
        const char c = static_cast<char>(byte & 0xFF);
        // Record writes follow the binary packets of the one before without a line end.
        if (c == '\r' && current_.find(prefix_) != std::string::npos && ++seen_ == nth_) {
            pulledAtMs_ = clock_.NowMs();
            if (swap_) {
                // The line holds the time: this command is the first it loses.
                const auto outage = static_cast<int>(outageMs_);
                line_.WithEngine([outage](sim::ReadoutEngine& e) {
                    e.Faults().stallAfterCommands = 0;
                    e.Faults().stallMs = outage;
                    e.Faults().newIdentityAfterStall = true;
                });
            }
        }
        current_ = c == '\r' ? std::string() : current_ + (c == '\n' ? "" : std::string(1, c));
        Follow();
        line_.PortPutChar(byte);
    }
    bool WaitForInput(std::int64_t timeoutMs) override {
        Follow();
        return line_.WaitForInput(timeoutMs);
    }

  private:
    void Follow() {
        if (swap_) {
            return;  // the readout's own stall keeps the outage
        }
        const bool out =
            pulledAtMs_ >= 0 && (outageMs_ < 0 || clock_.NowMs() < pulledAtMs_ + outageMs_);
        line_.WithEngine([out](sim::ReadoutEngine& e) { e.Faults().silent = out; });
    }

    sim::FakeLine& line_;
    sim::ManualClock& clock_;
    std::int64_t outageMs_;
    std::string prefix_;
    int nth_;
    bool swap_;
    std::int64_t pulledAtMs_ = -1;
    int seen_ = 0;
    std::string current_;
};

class SiteTransferTest : public testing::CliFixture {
  protected:
    [[nodiscard]] std::string PathOf(const std::string& name) const { return dir_.Path(name); }

    [[nodiscard]] int SentCount(const std::string& commandLine) const {
        const Lines lines = SentLines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), commandLine));
    }
    [[nodiscard]] int SentStartingWith(const std::string& prefix) const {
        int n = 0;
        for (const std::string& l : SentLines()) {
            n += l.rfind(prefix, 0) == 0 ? 1 : 0;
        }
        return n;
    }

    // The record writes the host sent, in order. Found in the raw bytes: the binary packets
    // that follow each one run into the next command line.
    [[nodiscard]] Lines SentRecordWrites() const {
        Lines writes;
        const std::string written = line.Written();
        for (std::size_t at = written.find("WP "); at != std::string::npos;
             at = written.find("WP ", at + 1)) {
            const std::size_t end = written.find("\r\n", at);
            const std::string command = written.substr(at, end - at);
            if (end != std::string::npos &&
                command.find_first_not_of("WP 0123456789ABCDEF") == std::string::npos) {
                writes.push_back(command);
            }
        }
        return writes;
    }

    // The bytes of record k outside its name, count and reference: the two kept bytes at 22 and
    // the readings.
    [[nodiscard]] std::vector<std::uint8_t> ReadingBytes(int k) {
        const std::uint8_t* record = Memory().Records().data() + k * kRecordSize;
        std::vector<std::uint8_t> bytes(record + 22, record + 24);
        bytes.insert(bytes.end(), record + ReadoutSiteRecord::kReadingsOffset,
                     record + kRecordSize);
        return bytes;
    }

    // The readings the readout holds in records 178 to 200.
    [[nodiscard]] int LeftOutReadings() {
        int readings = 0;
        for (int k = 177; k < 200; ++k) {
            readings += Memory().ReadingCount(k);
        }
        return readings;
    }

    void ClearStreams() {
        out.str("");
        err.str("");
    }

    q417::test::TempDir dir_{"q417cli-sites"};
};

// ---- download ----

TEST_F(SiteTransferTest, DownloadWritesTheSiteFileAndAppendsTheHistory) {
    const std::string ini = PathOf("sites.ini");
    ASSERT_EQ(Run({"download", "--out", ini}), kExitOk) << err.str();
    EXPECT_EQ(out.str(),
              "Downloaded 4 sites to " + ini + "; readings added to " + PathOf("sites.csv") + "\n");
    EXPECT_EQ(err.str(), "");  // no terminal here: no progress
    EXPECT_EQ(q417::test::ReadFileBytes(ini), kFourSitesIni);
    EXPECT_EQ(q417::test::ReadFileBytes(PathOf("sites.csv")), kFourSitesCsv);
    // One record a call, each record once.
    for (const char* read : {"RP 0 40 3", "RP 3 40 3", "RP 6 40 3", "RP 9 40 3"}) {
        EXPECT_EQ(SentCount(read), 1) << read;
    }
    EXPECT_EQ(SentStartingWith("RP "), 4);
    EXPECT_TRUE(SentWrites().empty());

    // A second download replaces the site file and adds to the history.
    ClearStreams();
    ASSERT_EQ(Run({"download", "--out", ini}), kExitOk) << err.str();
    EXPECT_EQ(q417::test::ReadFileBytes(ini), kFourSitesIni);
    EXPECT_EQ(q417::test::ReadFileBytes(PathOf("sites.csv")), kFourSitesCsv + kFourSitesCsv);
}

TEST_F(SiteTransferTest, DownloadCanSetTheReadoutClockAfterwards) {
    ASSERT_NE(Memory().ClockOffsetSeconds(), 0);
    rejecting.Reject("WT");
    EXPECT_EQ(Run({"download", "--out", PathOf("sites.ini"), "--sync-clock"}), kExitFailed);
    EXPECT_EQ(err.str(), "q417cli: the readout did not take the PC's time\n");
    EXPECT_NE(Memory().ClockOffsetSeconds(), 0);

    ClearStreams();
    ASSERT_EQ(RunOn(line, {"download", "--out", PathOf("sites.ini"), "--sync-clock"}), kExitOk)
        << err.str();
    EXPECT_NE(out.str().find("\nReadout clock set to the PC's time\n"), std::string::npos);
    EXPECT_EQ(Memory().ClockOffsetSeconds(), 0);
}

TEST_F(SiteTransferTest, DownloadShowsValuesInTheDisplayUnit) {
    Memory().SetDisplayUnits(2);  // kPa; calibration stays PSI
    const std::string ini = PathOf("kpa.ini");
    ASSERT_EQ(Run({"download", "--out", ini}), kExitOk) << err.str();
    const std::string text = q417::test::ReadFileBytes(ini);
    const std::string first = text.substr(0, text.find("\r\n"));
    EXPECT_EQ(first.rfind("1,MW-01 NORTH FIELD,11/08/26 13:04,", 0), 0u) << first;
    EXPECT_NE(first.find(",kPa,30303000"), std::string::npos) << first;
    const double value = std::stod(first.substr(35));
    EXPECT_NEAR(value, 3.5 * 6.894757293, 1e-5);
    // The history's readings are converted too.
    const std::string csv = q417::test::ReadFileBytes(PathOf("kpa.csv"));
    EXPECT_NE(csv.find("2,MW-02 PUMP HOUSE,12/08/26 13:03,46.970"), std::string::npos) << csv;
}

TEST_F(SiteTransferTest, DownloadRetriesACorruptedRecord) {
    engine.Faults().corruptChecksums = 3;  // record 1: two bad replies, then one more
    const std::string ini = PathOf("sites.ini");
    ASSERT_EQ(Run({"download", "--out", ini}), kExitOk) << err.str();
    EXPECT_EQ(SentCount("RP 0 40 3"), 4);  // 2 calls of 2 tries
    EXPECT_EQ(SentCount("RP 3 40 3"), 1);
    EXPECT_EQ(q417::test::ReadFileBytes(ini), kFourSitesIni);
    EXPECT_EQ(q417::test::ReadFileBytes(PathOf("sites.csv")), kFourSitesCsv);
}

TEST_F(SiteTransferTest, DownloadThatKeepsFailingWritesNoFile) {
    engine.Faults().corruptChecksums = 1000;
    const std::string ini = PathOf("sites.ini");
    EXPECT_EQ(Run({"download", "--out", ini}), kExitFailed);
    EXPECT_EQ(err.str(), "q417cli: the download: \"Comm error\" and no progress for 20 s; " + ini +
                             " was not written\n");
    EXPECT_EQ(out.str(), "");
    // The link retried and recovered, always from the first record, until the time-out.
    EXPECT_GT(SentCount("RP 0 40 3"), 8);
    EXPECT_EQ(SentStartingWith("RP "), SentCount("RP 0 40 3"));
    EXPECT_FALSE(std::filesystem::exists(ini));
    EXPECT_FALSE(std::filesystem::exists(PathOf("sites.csv")));
}

TEST_F(SiteTransferTest, CablePulledMidDownload) {
    const struct {
        const char* name;
        std::int64_t outageMs;
        int exitCode;
        int firstRecordAsked;  // times the first record was asked for
    } cases[] = {
        {"back while the link recovers: it resumes", 12000, kExitOk, 1},
        {"back after the link started over: the download starts again", 22000, kExitOk, 2},
        {"never back: nothing is written", -1, kExitFailed, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ClearStreams();
        line.ClearWritten();
        const std::string ini = PathOf(std::to_string(c.outageMs) + ".ini");
        const std::string csv = PathOf(std::to_string(c.outageMs) + ".csv");
        PulledCableLine cable(line, clock, c.outageMs);
        EXPECT_EQ(RunOn(cable, {"download", "--out", ini}), c.exitCode) << err.str();
        line.WithEngine([](sim::ReadoutEngine& e) { e.Faults().silent = false; });
        EXPECT_EQ(SentCount("RP 0 40 3"), c.firstRecordAsked);
        if (c.exitCode == kExitOk) {
            EXPECT_EQ(q417::test::ReadFileBytes(ini), kFourSitesIni);
            EXPECT_EQ(q417::test::ReadFileBytes(csv), kFourSitesCsv);
        } else {
            EXPECT_EQ(err.str(),
                      "q417cli: the download: \"Comm error\" and no progress for 20 s; " + ini +
                          " was not written\n");
            EXPECT_FALSE(std::filesystem::exists(ini));
            EXPECT_FALSE(std::filesystem::exists(csv));
        }
    }
}

TEST_F(SiteTransferTest, DownloadOfAnEmptyReadoutWritesNoFile) {
    Memory() = sim::ReadoutMemory::MakeDefault(0, testing::kNow);
    const std::string ini = PathOf("sites.ini");
    EXPECT_EQ(Run({"download", "--out", ini}), kExitFailed);
    EXPECT_EQ(err.str(), "q417cli: the readout holds no sites; " + ini + " was not written\n");
    EXPECT_FALSE(std::filesystem::exists(ini));
    EXPECT_FALSE(std::filesystem::exists(PathOf("sites.csv")));
}

TEST_F(SiteTransferTest, DownloadOfMoreSitesThanAListHoldsKeepsTheFirst177) {
    Memory() = sim::ReadoutMemory::MakeDefault(200, testing::kNow);
    const std::string ini = PathOf("sites.ini");
    // The first 177 are saved, but the sites left out are no success.
    ASSERT_EQ(Run({"download", "--out", ini}), kExitFailed) << err.str();
    EXPECT_EQ(SentStartingWith("RP "), 200);
    EXPECT_EQ(err.str(),
              "q417cli: The readout holds 200 sites. Only the first 177 are in the site list.\n"
              "q417cli: sites 178 to 200 of the readout and their " +
                  std::to_string(LeftOutReadings()) +
                  " readings were left out: a site list holds 177 sites\n");
    EXPECT_EQ(out.str().rfind("Downloaded 177 sites to ", 0), 0u) << out.str();
    const std::string text = q417::test::ReadFileBytes(ini);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 176);
    EXPECT_EQ(text.substr(text.rfind("\r\n") + 2, 10), "177,PZ-177");
}

TEST_F(SiteTransferTest, DownloadSaysWhenTheHistoryCannotBeAdded) {
    std::filesystem::create_directory(PathOf("sites.csv"));  // in the history file's way
    const std::string ini = PathOf("sites.ini");
    EXPECT_EQ(Run({"download", "--out", ini}), kExitFailed);
    EXPECT_EQ(q417::test::ReadFileBytes(ini),
              kFourSitesIni);  // the site file is saved all the same
    EXPECT_EQ(out.str(), "Downloaded 4 sites to " + ini + "\n");
    EXPECT_EQ(err.str(),
              "q417cli: The site file was saved, but its readings could not be added to the "
              "history file: " +
                  PathOf("sites.csv") + ": Is a directory.\n");
}

// ---- upload ----

TEST_F(SiteTransferTest, UploadKeepsTheReadoutsReadings) {
    const sim::ReadoutMemory before = Memory();
    const std::string ini = PathOf("upload.ini");
    q417::test::WriteFileBytes(ini, kUploadIni);
    std::vector<std::vector<std::uint8_t>> readings;
    for (int k = 0; k < 4; ++k) {
        readings.push_back(ReadingBytes(k));
    }

    ASSERT_EQ(Run({"upload", ini}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Uploaded 3 sites from " + ini + " (readings kept)\n");
    EXPECT_EQ(err.str(), kRenameNotice);

    // The records were read first, so that their readings went back with them.
    EXPECT_EQ(SentStartingWith("RP "), 4);
    EXPECT_EQ(SentRecordWrites(), Lines{"WP 0 40 9"});
    const struct {
        const char* name;
        float value;
        std::uint32_t time;
    } expected[] = {
        {"Intake North", 12.5f, kIntakeTime},
        {"Outfall", -3.25f, kOutfallTime},
        {"A location name long", 0.0f, 0},
    };
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(Memory().SiteName(k), expected[k].name);
        EXPECT_EQ(Bits(Memory().ReferenceValue(k)), Bits(expected[k].value));
        EXPECT_EQ(Memory().ReferenceTime(k), expected[k].time);
        EXPECT_EQ(Memory().ReadingCount(k), k);  // as before: site i held i readings
        EXPECT_EQ(ReadingBytes(k), readings[static_cast<std::size_t>(k)]);
    }
    // Record 3 was not uploaded and is left as it was.
    EXPECT_TRUE(std::equal(before.Records().begin() + 3 * kRecordSize, before.Records().end(),
                           Memory().Records().begin() + 3 * kRecordSize));
    EXPECT_EQ(Memory().RecordCount(), 3);
    EXPECT_EQ(Memory().FileName(), ini);
}

TEST_F(SiteTransferTest, UploadWithClearReadingsClearsThem) {
    const std::string ini = PathOf("upload.ini");
    q417::test::WriteFileBytes(ini, kUploadIni);
    ASSERT_EQ(Run({"upload", ini, "--clear-readings"}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Uploaded 3 sites from " + ini + " (readings cleared)\n");
    // The records are read first all the same, so the bytes the upload leaves alone survive.
    EXPECT_EQ(SentStartingWith("RP "), 4);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(Memory().ReadingCount(k), 0) << k;
    }
    EXPECT_EQ(Memory().SiteName(1), "Outfall");
    EXPECT_EQ(Memory().ReferenceTime(0), kIntakeTime);
    EXPECT_EQ(Memory().ReadingCount(3), 3);  // not uploaded
    EXPECT_EQ(Memory().RecordCount(), 3);
}

TEST_F(SiteTransferTest, UploadStoresTheAbsolutePathOfARelativeName) {
    q417::test::WriteFileBytes(PathOf("upload.ini"), kUploadIni);
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir_.Root());
    const int code = Run({"upload", "upload.ini"});
    std::filesystem::current_path(previous);
    ASSERT_EQ(code, kExitOk) << err.str();
    EXPECT_EQ(Memory().FileName(), PathOf("upload.ini"));
    EXPECT_EQ(out.str(), "Uploaded 3 sites from " + PathOf("upload.ini") + " (readings kept)\n");
}

TEST_F(SiteTransferTest, UploadConvertsTheFileUnitToTheCalibrationUnit) {
    const std::string ini = PathOf("kpa.ini");
    q417::test::WriteFileBytes(ini, "1,In kPa,12/01/26 08:30,68.947572932,kPa,30303000");
    ASSERT_EQ(Run({"upload", ini, "--verify"}), kExitOk) << err.str();
    EXPECT_NEAR(Memory().ReferenceValue(0), 10.0f, 1e-5f);  // PSI
}

TEST_F(SiteTransferTest, UploadWritesTenRecordsACall) {
    std::string text;
    for (int k = 1; k <= 25; ++k) {
        text += std::to_string(k) + ",Site " + std::to_string(k) +
                ",12/01/26 08:30,1.5,PSI,30303000\r\n";
    }
    const std::string ini = PathOf("many.ini");
    q417::test::WriteFileBytes(ini, text);
    ASSERT_EQ(Run({"upload", ini, "--verify"}), kExitOk) << err.str();
    EXPECT_EQ(SentRecordWrites(), (Lines{"WP 0 40 1E", "WP 1E 40 1E", "WP 3C 40 F"}));
    EXPECT_EQ(out.str(), "Uploaded 25 sites from " + ini + " (readings kept)\nVerified 25 sites\n");
    EXPECT_EQ(Memory().SiteName(24), "Site 25");
    EXPECT_EQ(Memory().ReadingCount(3), 3);  // an old site's readings stay with record 3
    EXPECT_EQ(Memory().ReadingCount(24), 0);
    EXPECT_EQ(Memory().RecordCount(), 25);
}

// Presses Ctrl-C as a command line holding prefix goes out for the nth time. The readout hears
// nothing from then on, so that the command it interrupts cannot finish before the stop.
class InterruptingLine final : public ForwardingLine {
  public:
    InterruptingLine(sim::FakeLine& line, std::atomic<bool>& stop, std::string prefix, int nth)
        : ForwardingLine(line), line_(line), stop_(stop), prefix_(std::move(prefix)), nth_(nth) {}
    ~InterruptingLine() override {
        line_.WithEngine([](sim::ReadoutEngine& e) { e.Faults().silent = false; });
    }

    void PortWrite(const std::uint8_t* buffer, int count) override {
        for (int i = 0; i < count; ++i) {
            PortPutChar(buffer[i]);
        }
    }
    void PortPutChar(int byte) override {
        const char c = static_cast<char>(byte & 0xFF);
        // Record writes follow the binary packets of the one before without a line end.
        if (c == '\r' && current_.find(prefix_) != std::string::npos && ++seen_ == nth_) {
            line_.WithEngine([](sim::ReadoutEngine& e) { e.Faults().silent = true; });
            stop_.store(true);
        }
        current_ = c == '\r' || c == '\n' ? std::string() : current_ + c;
        Inner().PortPutChar(byte);
    }

  private:
    sim::FakeLine& line_;
    std::atomic<bool>& stop_;
    std::string prefix_;
    int nth_;
    int seen_ = 0;
    std::string current_;
};

TEST_F(SiteTransferTest, InterruptedTransfersStopTheLinkAndSaySo) {
    std::string text;
    for (int k = 1; k <= 25; ++k) {
        text += std::to_string(k) + ",Site " + std::to_string(k) + ",12/01/26 08:30,1.5,PSI,\r\n";
    }
    const std::string ini = PathOf("many.ini");
    q417::test::WriteFileBytes(ini, text);
    {
        InterruptingLine upload(line, stopRequested, "WP ", 2);
        EXPECT_EQ(RunOn(upload, {"upload", ini}), SignalWatch::kExitInterrupted);
    }
    const std::string stopped =
        "q417cli: the upload was interrupted after site 10 of 25: the readout may hold a mix of "
        "old and new sites; upload again\n";
    ASSERT_GE(err.str().size(), stopped.size());
    EXPECT_EQ(err.str().substr(err.str().size() - stopped.size()), stopped);  // after the notice
    EXPECT_FALSE(line.PortIsOpen());  // closed and released for the next run
    EXPECT_EQ(Memory().SiteName(9), "Site 10");
    EXPECT_EQ(Memory().RecordCount(), 4);  // the count was never written

    stopRequested = false;
    ClearStreams();
    const std::string again = PathOf("again.ini");
    InterruptingLine download(line, stopRequested, "RP ", 2);
    EXPECT_EQ(RunOn(download, {"download", "--out", again}), SignalWatch::kExitInterrupted);
    EXPECT_EQ(err.str(), "q417cli: the download was interrupted; " + again + " was not written\n");
    EXPECT_FALSE(std::filesystem::exists(again));
    EXPECT_FALSE(line.PortIsOpen());
}

TEST_F(SiteTransferTest, UploadCutOffInItsSecondWriteSaysSo) {
    std::string text;
    for (int k = 1; k <= 25; ++k) {
        text += std::to_string(k) + ",Site " + std::to_string(k) + ",12/01/26 08:30,1.5,PSI,\r\n";
    }
    const std::string ini = PathOf("many.ini");
    q417::test::WriteFileBytes(ini, text);
    const struct {
        const char* name;
        std::int64_t outageMs;
        bool swap;
        const char* error;
    } cases[] = {
        // Back only after the link has started over: not a finished upload.
        {"cable out for long", 22000, false,
         "q417cli: the upload was interrupted after site 10 of 25: the readout may hold a mix "
         "of old and new sites; upload again\n"},
        // Another readout after 3 s: nothing more is written to it.
        {"another readout plugged in", 3000, true,
         "q417cli: the upload: another readout answered in the middle of it\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Memory() = sim::ReadoutMemory::MakeDefault(4, testing::kNow);
        ClearStreams();
        PulledCableLine cable(line, clock, c.outageMs, "WP ", 2, c.swap);
        EXPECT_EQ(RunOn(cable, {"upload", ini}), kExitFailed);
        line.WithEngine([](sim::ReadoutEngine& e) { e.Faults().silent = false; });
        EXPECT_EQ(out.str(), "");
        const std::string& error = err.str();
        ASSERT_GE(error.size(), std::strlen(c.error));
        EXPECT_EQ(error.substr(error.size() - std::strlen(c.error)), c.error);  // after the notice
        EXPECT_EQ(Memory().SiteName(9), "Site 10");
        EXPECT_NE(Memory().SiteName(10), "Site 11");
        EXPECT_EQ(Memory().RecordCount(), 4);
    }
}

TEST_F(SiteTransferTest, VerifyReadsEverySiteBack) {
    const std::string ini = PathOf("upload.ini");
    q417::test::WriteFileBytes(ini, kUploadIni);
    ASSERT_EQ(Run({"upload", ini, "--verify"}), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "Uploaded 3 sites from " + ini + " (readings kept)\nVerified 3 sites\n");
    EXPECT_EQ(err.str(), kRenameNotice);
    // Before the upload, then after it.
    EXPECT_EQ(SentStartingWith("RP "), 4 + 3);
}

TEST_F(SiteTransferTest, VerifyFindsARecordTheReadoutDidNotStore) {
    const std::string ini = PathOf("upload.ini");
    q417::test::WriteFileBytes(ini, kUploadIni);
    PacketNoiseLine noisy(rejecting, 3);  // the first block of the second record
    EXPECT_EQ(RunOn(noisy, {"upload", ini, "--verify"}), kExitFailed);
    EXPECT_EQ(engine.BadPacketCount(), 1);
    EXPECT_EQ(out.str(), "Uploaded 3 sites from " + ini + " (readings kept)\n");
    EXPECT_EQ(err.str(),
              kRenameNotice +
                  "q417cli: site 2: name \"Outfall\" sent, \"MW-02 PUMP HOUSE\" read back\n"
                  "q417cli: site 2: reference value -3.25 sent, 6.25 read back\n"
                  "q417cli: site 2: reference time 11/15/26 17:45 sent, 11/08/26 13:03 read back\n"
                  "q417cli: the readout does not hold what was sent\n");
}

TEST_F(SiteTransferTest, UploadReportsAFileNameTheReadoutCut) {
    Memory().SetInfoSize(160);  // room for 15 characters of file name
    const std::string ini = PathOf("upload.ini");
    q417::test::WriteFileBytes(ini, kUploadIni);
    EXPECT_EQ(Run({"upload", ini}), kExitFailed);
    EXPECT_EQ(Memory().FileName(), ini.substr(0, 15));
    EXPECT_EQ(err.str(), kRenameNotice + "q417cli: file name \"" + ini + "\" sent, \"" +
                             ini.substr(0, 15) +
                             "\" read back\nq417cli: the readout does not hold what was sent\n");
}

TEST_F(SiteTransferTest, UploadStopsAtASiteCountTheReadoutRefuses) {
    rejecting.Reject("WE 3D");  // low byte of the record count
    const std::string ini = PathOf("upload.ini");
    q417::test::WriteFileBytes(ini, kUploadIni);
    EXPECT_EQ(Run({"upload", ini}), kExitFailed);
    EXPECT_EQ(
        err.str(),
        kRenameNotice +
            "q417cli: the upload: \"Comm error\" and no progress for 20 s; the readout may hold a "
            "mix of old and new sites; upload again\n");
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(Memory().RecordCount(), 4);
    EXPECT_EQ(Memory().SiteName(0), "Intake North");  // the records before it stay written
}

TEST_F(SiteTransferTest, UploadOfMoreSitesThanTheReadoutHoldsWritesNothing) {
    Memory().SetCapacity(2);
    const sim::ReadoutMemory before = Memory();
    const std::string ini = PathOf("upload.ini");
    q417::test::WriteFileBytes(ini, kUploadIni);
    EXPECT_EQ(Run({"upload", ini}), kExitFailed);
    EXPECT_EQ(err.str(), "q417cli: the readout holds at most 2 sites, " + ini +
                             " has 3; nothing was written\n");
    EXPECT_TRUE(SentRecordWrites().empty());
    EXPECT_TRUE(SentWrites().empty());
    EXPECT_EQ(Memory().Records(), before.Records());
}

TEST_F(SiteTransferTest, UploadThatCannotReadTheRecordsFirstWritesNothing) {
    engine.Faults().corruptChecksums = 1000;
    const sim::ReadoutMemory before = Memory();
    const std::string ini = PathOf("upload.ini");
    q417::test::WriteFileBytes(ini, kUploadIni);
    EXPECT_EQ(Run({"upload", ini}), kExitFailed);
    EXPECT_EQ(err.str(),
              "q417cli: reading the readout's records first: \"Comm error\" and no progress for "
              "20 s; nothing was written\n");
    EXPECT_TRUE(SentRecordWrites().empty());
    EXPECT_TRUE(SentWrites().empty());
    EXPECT_EQ(Memory().Records(), before.Records());
}

// ---- the parts ----

TEST_F(SiteTransferTest, ProgressCountsRecordsAndEndsTheLine) {
    LinkSession session(line, clock, {1, 115200, testing::kTimeoutMs});
    ASSERT_EQ(session.Connect(), LinkOutcome::Done);
    std::ostringstream progress;
    ASSERT_EQ(session.Download(&progress), LinkOutcome::Done);
    EXPECT_EQ(progress.str(),
              "\rReading data 25%\rReading data 50%\rReading data 75%\rReading data 100%\n");
    const ReadoutSettings settings = session.Settings();
    EXPECT_EQ(settings.dataReady, 1);
    ASSERT_TRUE(settings.records);
    EXPECT_EQ(ReadoutSiteRecord::Read(*settings.records, 3).name, "MW-04 CREEK XING");

    progress.str("");
    ASSERT_EQ(session.Upload({settings.records, 25, "/data/many.ini"}, &progress),
              LinkOutcome::Done);
    EXPECT_EQ(progress.str(), "\rWriting data 40%\rWriting data 80%\rWriting data 100%\n");
    EXPECT_EQ(Memory().FileName(), "/data/many.ini");
    EXPECT_EQ(Memory().RecordCount(), 25);
    EXPECT_EQ(session.Settings().recordCount, 25);  // read afresh after the upload

    // Not a terminal: no progress.
    PortDescription port;
    CommandContext context(line, clock, {}, port, out, err);
    EXPECT_EQ(context.Progress(), nullptr);
}

TEST_F(SiteTransferTest, DocumentUserAnswersFromTheCommandLine) {
    std::ostringstream messages;
    CliDocumentUser keep(messages, false);
    CliDocumentUser clear(messages, true);
    const std::string clearText = "Would you like to clear all Q417 data points?";
    EXPECT_FALSE(keep.AskYesNo(Question::ClearReadings, clearText));
    EXPECT_TRUE(clear.AskYesNo(Question::ClearReadings, clearText));
    EXPECT_TRUE(clear.AskYesNo(Question::ClearReadings, "Clear them?"));  // the id decides
    EXPECT_EQ(clear.ClearQuestionsAsked(), 2);
    EXPECT_FALSE(clear.AskYesNo(Question::ConfirmUpload, clearText));
    EXPECT_EQ(clear.ClearQuestionsAsked(), 2);
    EXPECT_EQ(clear.AskSaveChanges("sites.ini"), SaveChoice::Discard);
    EXPECT_FALSE(clear.AskSavePath().has_value());
    clear.ShowMessage("Invalid file.", MessageIcon::Exclamation);
    clear.ShowMessage("bad \x1b[2J name", MessageIcon::Error);
    EXPECT_EQ(messages.str(), "q417cli: Invalid file.\nq417cli: bad \\x1B[2J name\n");
}

struct CompareCase {
    const char* name;
    void (*change)(RecordImage& readBack);  // what the readout holds differently
    Lines differences;
};

void PrintTo(const CompareCase& c, std::ostream* os) {
    *os << c.name;
}

class CompareSiteRecordsTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareSiteRecordsTest, ReportsEachDifference) {
    RecordImage sent;
    ReadoutSiteRecord site;
    site.name = "Intake North";
    site.referenceValue = 12.5f;
    site.referenceTime = kIntakeTime;
    site.readingCount = 2;
    site.readings[0] = {4.0f, 849000000};
    site.readings[1] = {4.5f, 849086400};
    site.Write(sent, 1);
    ReadoutSiteRecord::WriteName(sent, 0, "Outfall");

    RecordImage readBack = sent;
    GetParam().change(readBack);
    EXPECT_EQ(CompareSiteRecords(sent, readBack, 2), GetParam().differences);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CompareSiteRecordsTest,
    ::testing::Values(
        CompareCase{"Same", [](RecordImage&) {}, {}},
        CompareCase{"Name",
                    [](RecordImage& r) { ReadoutSiteRecord::WriteName(r, 1, "Intake South"); },
                    {"site 2: name \"Intake North\" sent, \"Intake South\" read back"}},
        CompareCase{"NameWithControlBytes",
                    [](RecordImage& r) { ReadoutSiteRecord::WriteName(r, 0, "Out\x07"); },
                    {"site 1: name \"Outfall\" sent, \"Out\\x07\" read back"}},
        CompareCase{"SiteBeyondTheCountIgnored",
                    [](RecordImage& r) { ReadoutSiteRecord::WriteName(r, 2, "Other"); },
                    {}},
        CompareCase{
            "ReferenceValue",
            [](RecordImage& r) { ReadoutSiteRecord::WriteReference(r, 1, 12.25f, kIntakeTime); },
            {"site 2: reference value 12.5 sent, 12.25 read back"}},
        CompareCase{"ReferenceValueLastBit",
                    [](RecordImage& r) {
                        ReadoutSiteRecord::WriteReference(r, 1, std::nextafter(12.5f, 13.0f),
                                                          kIntakeTime);
                    },
                    {"site 2: reference value 12.5 sent, 12.500001 read back"}},
        CompareCase{"ZeroOfTheOtherSign",
                    [](RecordImage& r) { ReadoutSiteRecord::WriteReference(r, 0, -0.0f, 0); },
                    {"site 1: reference value 0 sent, -0 read back"}},
        CompareCase{"ReferenceTime",
                    [](RecordImage& r) {
                        ReadoutSiteRecord::WriteReference(r, 1, 12.5f, kIntakeTime + 3600);
                    },
                    {"site 2: reference time 12/01/26 08:30 sent, 12/01/26 09:30 read back"}},
        CompareCase{
            "ReferenceTimeSecondsOnly",
            [](RecordImage& r) { ReadoutSiteRecord::WriteReference(r, 1, 12.5f, kIntakeTime + 7); },
            {"site 2: reference time 12/01/26 08:30 (849429000 s) sent, 12/01/26 08:30 "
             "(849429007 s) read back"}},
        CompareCase{"ReadingsCleared",
                    [](RecordImage& r) { ReadoutSiteRecord::WriteReadingCount(r, 1, 0); },
                    {"site 2: reading count 2 sent, 0 read back"}},
        CompareCase{"ReadingValueAndTime",
                    [](RecordImage& r) {
                        ReadoutSiteRecord s = ReadoutSiteRecord::Read(r, 1);
                        s.readings[1] = {4.75f, 849000060};
                        s.Write(r, 1);
                    },
                    {"site 2: reading 2 value 4.5 sent, 4.75 read back",
                     "site 2: reading 2 time 11/27/26 09:20 sent, 11/26/26 09:21 read back"}},
        CompareCase{"ReadingPastTheCountIgnored",
                    [](RecordImage& r) {
                        ReadoutSiteRecord s = ReadoutSiteRecord::Read(r, 1);
                        s.readings[5] = {9.0f, 1};
                        s.Write(r, 1);
                    },
                    {}},
        CompareCase{"SeveralSites",
                    [](RecordImage& r) {
                        ReadoutSiteRecord::WriteName(r, 0, "");
                        ReadoutSiteRecord::WriteReadingCount(r, 1, 20);
                    },
                    {"site 1: name \"Outfall\" sent, \"\" read back",
                     "site 2: reading count 2 sent, 20 read back"}}));

TEST(CompareInformationTest, ReportsSiteCountAndFileName) {
    const UploadPlan sent{nullptr, 177, "/home/pat/sites.ini"};
    ReadoutSettings readBack;
    readBack.recordCount = 177;
    readBack.fileName = "/home/pat/sites.ini";
    EXPECT_TRUE(CompareInformation(sent, readBack).empty());
    readBack.recordCount = 100;
    readBack.fileName = "/home/pat/s";
    EXPECT_EQ(CompareInformation(sent, readBack),
              (Lines{"number of sites 177 sent, 100 read back",
                     "file name \"/home/pat/sites.ini\" sent, \"/home/pat/s\" read back"}));
}

// ---- refused command lines ----

TEST_F(SiteTransferTest, RefusedBeforeThePortIsTouched) {
    const std::string dir = dir_.Root().string();
    q417::test::WriteFileBytes(PathOf("empty.ini"), "");
    q417::test::WriteFileBytes(PathOf("blank.ini"), "\r\n\r\n");
    q417::test::WriteFileBytes(PathOf("binary.ini"), std::string("1,a,b,c,d,e\0\x01\x02", 14));
    ASSERT_EQ(::mkfifo(PathOf("fifo.ini").c_str(), 0600), 0);
    std::string many;
    for (int k = 1; k <= 178; ++k) {
        many += std::to_string(k) + ",Site,12/01/26 08:30,1.5,PSI,30303000\r\n";
    }
    q417::test::WriteFileBytes(PathOf("many.ini"), many);
    q417::test::WriteFileBytes(PathOf("nan.ini"),
                               "1,A,12/01/26 08:30,1.5,PSI,X\r\n"
                               "2,B,12/01/26 08:30,nan,PSI,X\r\n");
    q417::test::WriteFileBytes(PathOf("huge.ini"), "1,A,12/01/26 08:30,1e39,PSI,X\r\n");
    q417::test::WriteFileBytes(PathOf("short.ini"),
                               "1,A,12/01/26 08:30,1.5,PSI,X\r\n\r\n"
                               "2,B,12/01/26 08:30\r\n");
    const std::string download = std::string(kDownloadUsage) + "\n";
    const std::string upload = std::string(kUploadUsage) + "\n";
    const struct {
        std::vector<std::string> commandLine;
        int exitCode;
        std::string errors;
    } cases[] = {
        {{"download"}, kExitUsage, "q417cli: download needs --out FILE\n" + download},
        {{"download", "--out"}, kExitUsage, "q417cli: --out needs a value\n" + download},
        {{"download", "--out", ""}, kExitUsage, "q417cli: --out needs a file name\n" + download},
        {{"download", "--out", "a.ini", "more"},
         kExitUsage,
         "q417cli: unexpected argument more\n" + download},
        {{"download", "--out", "a.ini", "--out", "b.ini"},
         kExitUsage,
         "q417cli: --out is given twice\n" + download},
        {{"download", "--json", "--out", "a.ini"},
         kExitUsage,
         "q417cli: unknown option --json\n" + download},
        {{"download", "--out", dir},
         kExitUsage,
         "q417cli: --out " + dir + " is a folder, not a file\n"},
        {{"download", "--out", dir + "/"},
         kExitUsage,
         "q417cli: --out " + dir + "/ names a folder, not a file\n"},
        {{"download", "--out", dir + "/missing/sites.ini"},
         kExitUsage,
         "q417cli: --out " + dir + "/missing/sites.ini: the folder " + dir +
             "/missing cannot be used: No such file or directory\n"},
        {{"download", "--out", PathOf("empty.ini") + "/sites.ini"},
         kExitUsage,
         "q417cli: --out " + PathOf("empty.ini") + "/sites.ini: " + PathOf("empty.ini") +
             " is not a folder\n"},
        {{"download", "--out", "/dev/null"},
         kExitUsage,
         "q417cli: --out /dev/null is not a regular file\n"},
        {{"download", "--out", dir + "/sites.csv"},
         kExitUsage,
         "q417cli: --out " + dir +
             "/sites.csv is the name of its own history file (readings go to NAME.csv beside "
             "NAME.ini); choose another extension, such as .ini\n"},
        {{"upload"}, kExitUsage, "q417cli: upload needs the site file to upload\n" + upload},
        {{"upload", "a.ini", "b.ini"},
         kExitUsage,
         "q417cli: unexpected argument b.ini (upload takes one site file)\n" + upload},
        {{"upload", "a.ini", "--bogus"}, kExitUsage, "q417cli: unknown option --bogus\n" + upload},
        {{"upload", "--verify", "a.ini", "--verify"},
         kExitUsage,
         "q417cli: --verify is given twice\n" + upload},
        {{"upload", ""}, kExitUsage, "q417cli: the site file name is empty\n" + upload},
        {{"upload", dir + "/missing.ini"},
         kExitFailed,
         "q417cli: Cannot open the site file " + dir +
             "/missing.ini: No such file or directory.\n"},
        {{"upload", dir},
         kExitFailed,
         "q417cli: Cannot open the site file " + dir + ": Is a directory.\n"},
        {{"upload", PathOf("empty.ini")}, kExitFailed, "q417cli: Invalid file.\n"},
        {{"upload", PathOf("blank.ini")}, kExitFailed, "q417cli: Invalid file.\n"},
        // A zero byte only ends its field: the line is read, and its date is what is wrong.
        {{"upload", PathOf("binary.ini"), "--verify"},
         kExitFailed,
         "q417cli: " + PathOf("binary.ini") +
             ": line 1 (\"1,a,b,c,d,e\\x00\\x01\\x02\") has a date and time that does not read "
             "as MM/DD/YY hh:mm; nothing was sent\n"},
        {{"upload", PathOf("fifo.ini")},
         kExitFailed,
         "q417cli: Cannot open the site file " + PathOf("fifo.ini") + ": not a regular file.\n"},
        {{"upload", PathOf("short.ini")},
         kExitFailed,
         "q417cli: " + PathOf("short.ini") +
             ": line 3 (\"2,B,12/01/26 08:30\") is not a site line of six fields; nothing was "
             "sent\n"},
        {{"upload", PathOf("many.ini")},
         kExitFailed,
         "q417cli: " + PathOf("many.ini") +
             " holds 178 sites, more than a site list holds (177); nothing was sent\n"},
        {{"upload", PathOf("nan.ini")},
         kExitFailed,
         "q417cli: site 2 (\"2,B,12/01/26 08:30,nan,PSI,X\") has a latest value the readout "
         "cannot hold; nothing was sent\n"},
        {{"upload", PathOf("huge.ini")},
         kExitFailed,
         "q417cli: site 1 (\"1,A,12/01/26 08:30,1e39,PSI,X\") has a latest value the readout "
         "cannot hold; nothing was sent\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.commandLine));
        ClearStreams();
        EXPECT_EQ(Run(c.commandLine), c.exitCode);
        EXPECT_EQ(err.str(), c.errors);
        EXPECT_EQ(out.str(), "");
        EXPECT_TRUE(PortUntouched()) << line.Written();
    }
    EXPECT_FALSE(std::filesystem::exists(PathOf("sites.csv")));
    EXPECT_FALSE(std::filesystem::exists("a.ini"));
}

// A latest value or date that does not read as one would go out as something else (0, another
// day): the file is refused before the port opens, naming its line.
TEST_F(SiteTransferTest, UnreadableReadingIsRefusedNamingItsLine) {
    const struct {
        const char* date;
        const char* value;
        const char* what;
    } cases[] = {
        {"12/01/26 08:30", "abc", "a latest value that does not read as a number"},
        {"12/01/26 08:30", "6.5 kPa", "a latest value that does not read as a number"},
        {"12/01/26 08:30", "1,5", nullptr},  // seven fields: refused as no site line
        {"13/45/99 25:61", "1.5", "a date and time that does not read as MM/DD/YY hh:mm"},
        {"12/01/2026 08:30", "1.5", "a date and time that does not read as MM/DD/YY hh:mm"},
        {"yesterday", "abc", "a date and time that does not read as MM/DD/YY hh:mm"},
    };
    const std::string ini = PathOf("bad.ini");
    for (const auto& c : cases) {
        const std::string bad = std::string("2,B,") + c.date + "," + c.value + ",PSI,30303000";
        SCOPED_TRACE(bad);
        // Line 3: the empty line between the sites counts.
        q417::test::WriteFileBytes(ini, "1,A,12/01/26 08:30,1.5,PSI,30303000\r\n\r\n" + bad +
                                            "\r\n3,C,,0.000000000,PSI,30303000");
        ClearStreams();
        EXPECT_EQ(Run({"upload", ini, "--verify"}), kExitFailed);
        const std::string expected =
            c.what != nullptr ? "q417cli: " + ini + ": line 3 (\"" + bad + "\") has " + c.what +
                                    "; nothing was sent\n"
                              : "q417cli: " + ini + ": line 3 (\"" + bad +
                                    "\") is not a site line of six fields; nothing was sent\n";
        EXPECT_EQ(err.str(), expected);
        EXPECT_EQ(out.str(), "");
        EXPECT_TRUE(PortUntouched()) << line.Written();
    }
}

// Sites without a reading have an empty or the first date and a value of 0; both go out.
TEST_F(SiteTransferTest, SitesWithoutAReadingAreUploaded) {
    const std::string ini = PathOf("empty-readings.ini");
    q417::test::WriteFileBytes(ini,
                               "1,Intake North,,0.000000000,PSI,30303000\r\n"
                               "2,Outfall,01/01/00 00:00,0.000000000,PSI,30303000\r\n"
                               "3,Weir,12/01/26 08:30,12.5,PSI,30303000");
    ASSERT_EQ(Run({"upload", ini, "--clear-readings", "--verify"}), kExitOk) << err.str();
    EXPECT_EQ(out.str(),
              "Uploaded 3 sites from " + ini + " (readings cleared)\nVerified 3 sites\n");
    EXPECT_EQ(Memory().ReferenceTime(0), 0u);
    EXPECT_EQ(Memory().ReferenceValue(0), 0.0f);
    EXPECT_EQ(Memory().ReferenceTime(1), 0u);
    EXPECT_EQ(Memory().ReferenceTime(2), kIntakeTime);
    EXPECT_EQ(Memory().ReferenceValue(2), 12.5f);
}

}  // namespace
}  // namespace q417::cli
