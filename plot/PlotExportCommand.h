#pragma once

#include <QSize>
#include <optional>
#include <string>
#include <vector>

#include "PlotExport.h"

namespace q417 {

// q417host --export-plot OUT --site LOCATION [--site ...] [--unit NAME] FILE.ini: the picture of
// the sites' readings in the history beside a site file, without a window.
class PlotExportCommand {
  public:
    struct Options {
        std::string output;               // .png, .svg or .pdf
        std::vector<std::string> sites;   // locations, 8-bit; each takes every site of that name
        std::optional<std::string> unit;  // a unit name in any letter case; else the file's
        std::string siteFile;
        QSize size = PlotExport::kDefaultSize;
    };

    // 0 when the picture was written; 1, with error saying why, when a site has no readings in
    // the history, the history is missing or unreadable, the unit is unknown, the site file
    // cannot be read or the picture cannot be written (nothing is then written). What a written
    // picture leaves out (readings of a readout whose clock was never set, lines that are no
    // history lines) is said on standard error.
    [[nodiscard]] static int Run(const Options& options, std::string& error);
};

}  // namespace q417
