#pragma once

#include <string>

namespace q417::test {

// What a download of the simulator's default readout of four sites gives (site i holding i
// readings, its memory made at 2026-12-08 15:04:05 UTC, read in UTC): the site file, with the
// newest reading of each site (two hours before then, a minute earlier per site), or the
// reference value and date of a site without readings...
inline const std::string kFourSitesIni =
    "1,MW-01 NORTH FIELD,11/08/26 13:04,3.500000000,PSI,30303000\r\n"
    "2,MW-02 PUMP HOUSE,12/08/26 13:03,6.812500000,PSI,30303000\r\n"
    "3,PZ-03 EAST BERM,12/08/26 13:02,9.510000229,PSI,30303000\r\n"
    "4,MW-04 CREEK XING,12/08/26 13:01,12.645000458,PSI,30303000";

// ...and its history: every stored reading, oldest first; a site without readings gives its
// own line.
inline const std::string kFourSitesCsv =
    "1,MW-01 NORTH FIELD,11/08/26 13:04,3.500000000,PSI,30303000\r\n"
    "2,MW-02 PUMP HOUSE,12/08/26 13:03,6.812500000,PSI,30303000\r\n"
    "3,PZ-03 EAST BERM,12/07/26 13:02,9.625000000,PSI,30303000\r\n"
    "3,PZ-03 EAST BERM,12/08/26 13:02,9.510000229,PSI,30303000\r\n"
    "4,MW-04 CREEK XING,12/06/26 13:01,12.437500000,PSI,30303000\r\n"
    "4,MW-04 CREEK XING,12/07/26 13:01,12.322500229,PSI,30303000\r\n"
    "4,MW-04 CREEK XING,12/08/26 13:01,12.645000458,PSI,30303000\r\n";

}  // namespace q417::test
