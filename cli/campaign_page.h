#pragma once
// The fault campaign as one self-contained XHTML page: the table of faults and a matrix picture
// (inline SVG) of faults by routines that shows which routine catches which fault, each fault
// scoped and whole-core, and the groups of faults the board cannot tell apart.
#include <iosfwd>
#include <string>
#include <vector>

#include "coretest/campaign.h"

namespace coretest::cli {

struct CampaignRun {
    std::string image;
    std::string selection; // FaultFilter::describe()
    std::uint32_t switchValue = 1;
    unsigned threads = 1;
    bool wholeCore = true; // the rows hold whole-core outcomes too
    double seconds = 0;
    std::vector<CampaignRow> rows;
};

// `run` is the first ROM's campaign, or the second ROM's alone (its rows on the whole core only);
// `second`, when given, is the second ROM's, shown in a section of its own after the first's.
void writeCampaignPage(const CampaignRun& run, const RomMap& map, std::ostream& out,
                       const CampaignRun* second = nullptr);

} // namespace coretest::cli
