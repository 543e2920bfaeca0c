#pragma once

#include <optional>
#include <string>
#include <vector>

#include "PlotData.h"
#include "PressureUnit.h"

namespace q417 {

// What to plot: which sites, in which unit, from which history file, and the readings the next
// save would add to it.
struct PlotRequest {
    // How a key finds its sites: the window knows each row's serial number; the command line
    // names a location only, which takes every site of that name.
    enum class Match { Site, Location };

    std::string historyPath;                 // empty: the list was never saved, there is none
    std::optional<std::string> unsavedText;  // history lines of the last download, not yet saved
    PressureUnit unit = PressureUnit::Psi;
    std::vector<PlotSiteKey> sites;
    Match match = Match::Site;
};

// Reads the history and turns the asked sites' readings into chart points. Reading a ten-year
// history takes a while, so this runs off the window thread: it touches no widget.
class PlotPreparation {
  public:
    [[nodiscard]] static PlotData Prepare(const PlotRequest& request);
    // The local date and time of a readout time stamp in milliseconds since 1970, as the chart's
    // time axis counts; nothing for a date the calendar does not have.
    [[nodiscard]] static std::optional<double> ChartTime(std::uint32_t readoutTime);
};

}  // namespace q417
