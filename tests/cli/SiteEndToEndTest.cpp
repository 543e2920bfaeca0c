// download and upload as a user runs them: the real q417cli against q417sim on a
// pseudo-terminal, with the readout's memory checked in the state the simulator leaves behind.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "ChildProcess.h"
#include "JsonText.h"
#include "SimStateFixture.h"

namespace q417 {
namespace {

using test::Json;
using test::Latin1;

const std::string kCli = Q417CLI_PATH;
const std::string kSim = Q417SIM_PATH;

std::vector<std::string> SplitLines(const std::string& text, const std::string& separator) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find(separator, start);
        lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        start = end == std::string::npos ? text.size() : end + separator.size();
    }
    return lines;
}

// The six fields of a site line.
std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields = SplitLines(line, ",");
    fields.resize(6);
    return fields;
}

class SiteEndToEndTest : public cli::testing::SimStateFixture {
  protected:
    SiteEndToEndTest()
        : SimStateFixture("q417cli-sites-e2e"),
          ini_(dir_.Path("sites.ini")),
          csv_(dir_.Path("sites.csv")) {}

    std::string ini_;
    std::string csv_;
};

TEST_F(SiteEndToEndTest, DownloadThenUploadKeepsEverySiteAndReading) {
    const auto start = std::chrono::steady_clock::now();
    test::SimProcess sim(kSim, {"--sites", "177", "--state-out", state_});
    ASSERT_FALSE(sim.Device().empty());

    const auto download = Cli(sim, {"download", "--out", ini_});
    ASSERT_EQ(download.exitCode, 0) << download.errors;
    EXPECT_EQ(download.output,
              "Downloaded 177 sites to " + ini_ + "; readings added to " + csv_ + "\n");
    EXPECT_EQ(download.errors, "");  // a pipe, not a terminal: no progress
    const std::string text = test::ReadFileBytes(ini_);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.substr(text.size() - 2), "\r\n");
    const std::vector<std::string> lines = SplitLines(text, "\r\n");
    ASSERT_EQ(lines.size(), 177u);

    const auto upload = Cli(sim, {"upload", ini_, "--verify"});
    EXPECT_EQ(upload.exitCode, 0) << upload.errors;
    EXPECT_EQ(upload.output,
              "Uploaded 177 sites from " + ini_ + " (readings kept)\nVerified 177 sites\n");
    EXPECT_EQ(upload.errors, "");

    const Json state = FinalState(sim);
    ASSERT_TRUE(state.contains("sites"));
    EXPECT_EQ(state.at("recordCount"), 177);
    EXPECT_EQ(Latin1(state.at("fileName")), std::filesystem::absolute(ini_).string());
    const Json& sites = state.at("sites");
    ASSERT_EQ(sites.size(), 177u);

    // The readings each site held, as the history file recorded them at the download.
    std::map<std::string, std::vector<std::vector<std::string>>> history;
    for (const std::string& l : SplitLines(test::ReadFileBytes(csv_), "\r\n")) {
        history[Fields(l)[0]].push_back(Fields(l));
    }
    for (std::size_t k = 0; k < 177; ++k) {
        SCOPED_TRACE(k);
        const std::vector<std::string> site = Fields(lines[k]);
        EXPECT_EQ(site[0], std::to_string(k + 1));
        EXPECT_EQ(Latin1(sites[k].at("name")), site[1]);
        const int count = static_cast<int>(k % 21);  // the simulator's sites: i holds i % 21
        ASSERT_EQ(sites[k].at("readingCount"), count);
        const Json& readings = sites[k].at("readings");
        ASSERT_EQ(readings.size(), static_cast<std::size_t>(count));
        if (count > 0) {
            const auto& recorded = history[site[0]];
            ASSERT_EQ(recorded.size(), static_cast<std::size_t>(count));
            for (int j = 0; j < count; ++j) {
                EXPECT_EQ(readings[static_cast<std::size_t>(j)].at("value").get<float>(),
                          std::stof(recorded[static_cast<std::size_t>(j)][3]))
                    << j;
            }
            // The newest reading became the reference value.
            EXPECT_EQ(sites[k].at("referenceValue").get<float>(), std::stof(site[3]));
        }
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(SiteEndToEndTest, EditedSiteFileGoesBackToTheReadout) {
    test::SimProcess sim(kSim, {"--sites", "12", "--state-out", state_});
    ASSERT_FALSE(sim.Device().empty());
    const auto download = Cli(sim, {"download", "--out", ini_});
    ASSERT_EQ(download.exitCode, 0) << download.errors;

    // Rename site 5 and give site 8 a new latest value, as an editor would.
    std::vector<std::string> lines = SplitLines(test::ReadFileBytes(ini_), "\r\n");
    ASSERT_EQ(lines.size(), 12u);
    std::vector<std::string> fifth = Fields(lines[4]);
    fifth[1] = "Renamed Well 5";
    std::vector<std::string> eighth = Fields(lines[7]);
    eighth[3] = "23.456";
    eighth[2] = "12/24/26 06:15";
    const auto join = [](const std::vector<std::string>& f) {
        return f[0] + "," + f[1] + "," + f[2] + "," + f[3] + "," + f[4] + "," + f[5];
    };
    lines[4] = join(fifth);
    lines[7] = join(eighth);
    std::string edited;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        edited += lines[k] + (k + 1 < lines.size() ? "\r\n" : "");
    }
    std::ofstream(ini_, std::ios::binary | std::ios::trunc) << edited;

    const auto upload = Cli(sim, {"upload", ini_, "--verify"});
    EXPECT_EQ(upload.exitCode, 0) << upload.errors;
    EXPECT_EQ(upload.output,
              "Uploaded 12 sites from " + ini_ + " (readings kept)\nVerified 12 sites\n");

    const Json state = FinalState(sim);
    ASSERT_TRUE(state.contains("sites"));
    const Json& sites = state.at("sites");
    ASSERT_EQ(sites.size(), 12u);
    EXPECT_EQ(Latin1(sites[4].at("name")), "Renamed Well 5");
    EXPECT_EQ(sites[4].at("readingCount"), 4);
    EXPECT_EQ(sites[7].at("referenceValue").get<float>(), 23.456f);
    // 2026-12-24 06:15 in readout seconds (since 2000-01-01 00:00).
    EXPECT_EQ(sites[7].at("referenceTime"), 851408100);
    EXPECT_EQ(sites[7].at("readingCount"), 7);
    EXPECT_EQ(Latin1(sites[7].at("name")), Fields(lines[7])[1]);
}

TEST_F(SiteEndToEndTest, UploadOfAMissingFileNeverOpensThePort) {
    // A port that cannot open would exit with 3: 1 shows it was not even tried.
    const auto result = test::RunProgram(
        kCli, {"--device", "/dev/q417-missing", "upload", dir_.Path("missing.ini")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.errors, "q417cli: Cannot open the site file " + dir_.Path("missing.ini") +
                                 ": No such file or directory.\n");
    EXPECT_EQ(result.output, "");
}

}  // namespace
}  // namespace q417
