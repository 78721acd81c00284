// orvex-navdata's nav.dat / fix.dat / apt.dat readers (NAVDATA_KIND 0, 1, 2) on arbitrary
// lines: no crash, no overflow, and the completeness verdict always gives a reason.
#include "navdata.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {
struct BytesLines : LineSource {
    const char* at;
    const char* end;
    bool Next(std::string& line) override
    {
        if (at >= end)
            return false;
        const char* stop = at;
        while (stop < end && *stop != '\n')
            ++stop;
        line.assign(at, stop);
        at = stop < end ? stop + 1 : stop;
        return true;
    }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BytesLines lines;
    lines.at = reinterpret_cast<const char*>(data);
    lines.end = lines.at + size;
    RegionFilter region;
    if (size > 0 && (data[0] & 1)) {  // half of the inputs go through the region filter
        region.Active = true;
        region.Lat = 32.7;
        region.Lon = -117.2;
        region.RadiusNm = 100;
    }
    std::string out;
    ConvertCounts counts;
#if NAVDATA_KIND == 0
    bool parsed = ConvertNavDat(lines, region, out, counts);
#elif NAVDATA_KIND == 1
    bool parsed = ConvertFixDat(lines, region, out, counts);
#else
    bool parsed = ConvertAptDat(lines, region, out, counts);
#endif
    std::string why;
    if (parsed && !ConversionWhole(counts, "test", &why) && why.empty())
        std::abort();
    if (counts.Written < 0 || counts.Skipped < 0)
        std::abort();
    return 0;
}
