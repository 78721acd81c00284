// orvex-navdata: turns the widely published navigation data text files (nav.dat, fix.dat,
// apt.dat, versions 600 to 1200) into the display's three '|'-separated files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Only entries within RadiusNm of the centre are kept when Active.
struct RegionFilter {
    bool Active = false;
    double Lat = 0, Lon = 0, RadiusNm = 0;
    bool Contains(double lat, double lon) const;
};

// What one conversion did, for the report.
struct ConvertCounts {
    long Lines = 0;       // lines read, header lines included
    long Written = 0;     // entries written
    long Skipped = 0;     // lines that could not be understood
    long Unused = 0;      // rows of kinds the display has no use for (glide slopes, markers, ...)
    long OutsideRegion = 0;
    long LongIdents = 0;  // identifiers over 4 characters (the display keeps at most 4)
    long Merged = 0;      // DME rows folded into their VOR
    long Vor = 0, VorDme = 0, Ndb = 0, Dme = 0, Ils = 0;   // navaids by kind
    long LongRunway = 0, Runways = 0;                       // airports
    // Whether the input was whole: the published files end with a line "99", so a file
    // without it was cut short. The first row not understood, for the message.
    bool SawEnd = false;
    long FirstSkippedLine = 0;
    std::string FirstSkippedText;
};

// Whether a finished conversion may replace the output: the input ended with its "99"
// line and parsed as its format (a few rows not understood are normal; more than 10 that
// are also over 1 % of the rows, or no entry at all from rows that were not understood,
// are not). Otherwise false with the reason in *why, naming the line.
bool ConversionWhole(const ConvertCounts& counts, const char* format, std::string* why);

// A line source: each call gives the next line without its line end; false at the end.
// The file readers (plain or gzip) and the tests provide one.
struct LineSource {
    virtual ~LineSource() = default;
    virtual bool Next(std::string& line) = 0;
};

// Each converter reads all lines, appends the output file's text to `out` and fills counts.
// They return false only when the input is not a file of that kind (no version line).
bool ConvertNavDat(LineSource& in, const RegionFilter& region, std::string& out, ConvertCounts& counts);
bool ConvertFixDat(LineSource& in, const RegionFilter& region, std::string& out, ConvertCounts& counts);
bool ConvertAptDat(LineSource& in, const RegionFilter& region, std::string& out, ConvertCounts& counts);
