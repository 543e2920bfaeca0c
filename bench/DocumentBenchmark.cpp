// How long the window thread spends in the document's file work with a full readout: 177 sites
// of 20 readings each merged, saved (site file flushed to disk and renamed, 3540 history lines
// appended) and opened again. The save runs on the window thread, so it must stay well under
// the time a user notices (about 100 ms) on an ordinary disk.
//
// q417documentbench [--folder PATH] [--rounds N]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "CQ417HostDoc.h"
#include "MemorySiteList.h"
#include "ReadoutSiteRecord.h"

namespace {

using namespace q417;
using Clock = std::chrono::steady_clock;

class SilentUser : public DocumentUser {
  public:
    SaveChoice AskSaveChanges(const std::string&) override { return SaveChoice::Discard; }
    std::optional<std::string> AskSavePath() override { return std::nullopt; }
    bool AskYesNo(Question, const std::string&) override { return false; }
    void ShowMessage(const std::string& text, MessageIcon) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
};

void FillReadout(SharedSettings& link) {
    auto image = std::make_shared<RecordImage>();
    for (int k = 0; k < kMaxSites; ++k) {
        ReadoutSiteRecord r;
        r.name = "MW-" + std::to_string(k + 1) + " North Field Rd";
        r.readingCount = kMaxStoredReadings;
        r.referenceValue = 10.0f + static_cast<float>(k);
        r.referenceTime = 700000000U;
        for (int i = 0; i < kMaxStoredReadings; ++i) {
            r.readings[static_cast<std::size_t>(i)] = {
                12.3f + static_cast<float>(i) * 0.01f,
                700000000U + static_cast<unsigned>(i) * 86400U};
        }
        r.Write(*image, k);
    }
    link.Update([&](ReadoutSettings& s) {
        s.calUnits = 2;
        s.calUnitsName = "kPa";
        s.displayUnits = 1;
        s.serialNumber = "30303000";
        s.recordCount = kMaxSites;
        s.records = image;
    });
}

struct Stats {
    double median;
    double worst;
};

Stats Summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::path folder = std::filesystem::temp_directory_path();
    int rounds = 20;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--folder") == 0) {
            folder = argv[i + 1];
        } else if (std::strcmp(argv[i], "--rounds") == 0) {
            rounds = std::max(1, std::atoi(argv[i + 1]));
        }
    }
    const std::filesystem::path dir = folder / ("q417-docbench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "sites.ini").string();

    SharedSettings link;
    SilentUser user;
    MemorySiteList list;
    CQ417HostDoc doc(link, user);
    doc.SetView(&list);
    doc.NewDocument();
    FillReadout(link);

    std::vector<double> merge, save, open;
    for (int round = 0; round < rounds; ++round) {
        auto start = Clock::now();
        doc.MergeReadoutData();
        merge.push_back(MillisecondsSince(start));
        start = Clock::now();
        if (!doc.SaveDocument(path).saved) {
            std::fprintf(stderr, "save failed\n");
            return 1;
        }
        save.push_back(MillisecondsSince(start));
        start = Clock::now();
        if (!doc.OpenDocument(path)) {
            std::fprintf(stderr, "open failed\n");
            return 1;
        }
        open.push_back(MillisecondsSince(start));
    }
    const auto historyBytes = std::filesystem::file_size(dir / "sites.csv");
    const auto siteBytes = std::filesystem::file_size(path);
    std::filesystem::remove_all(dir);

    std::printf("document, %d sites x %d readings, %d rounds in %s\n", kMaxSites,
                kMaxStoredReadings, rounds, folder.string().c_str());
    std::printf("  site file %ju bytes, history %ju bytes after %d saves\n",
                static_cast<std::uintmax_t>(siteBytes), static_cast<std::uintmax_t>(historyBytes),
                rounds);
    for (const auto& [name, times] :
         {std::pair{"merge", merge}, std::pair{"save ", save}, std::pair{"open ", open}}) {
        const Stats s = Summarise(times);
        std::printf("  %s median %7.3f ms, worst %7.3f ms\n", name, s.median, s.worst);
    }
    return 0;
}
