// orvex-navdata: converts nav.dat, fix.dat and apt.dat (plain or gzip-compressed) into the
// display unit's data/navaids.txt, data/waypoints.txt and data/Airports.txt, optionally
// only around a centre. Reports what it kept and skipped; replaces each output file only
// once its conversion has finished, through a temporary file renamed into place.
#include "navdata.h"

#include "platform/platform.h"
#include "shell/command_line.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <sys/stat.h>
#include <unistd.h>
#ifdef ORVEX_NAVDATA_PLAIN_ONLY
#include "plain_lines.h"
#else
#include <zlib.h>
#endif

namespace {

// Lines of a plain or gzip file (zlib reads both), with a progress line on standard error
// for large files, measured in the file's own (possibly compressed) bytes.
class FileLines : public LineSource {
public:
    FileLines(const std::string& path, const char* label, bool quiet) : label_(label)
    {
        struct stat st {};
        if (stat(path.c_str(), &st) == 0)
            size_ = static_cast<long long>(st.st_size);
        file_ = gzopen(path.c_str(), "rb");
        if (file_)
            gzbuffer(file_, 1 << 17);
        progress_ = !quiet && size_ > (4 << 20);
        tty_ = isatty(2);
    }
    ~FileLines() override
    {
        if (file_)
            gzclose(file_);
    }
    bool Ok() const { return file_ != nullptr; }
    bool Failed() const { return failed_; }

    bool Next(std::string& line) override
    {
        if (!file_)
            return false;
        line.clear();
        char buffer[8192];
        for (;;) {
            if (!gzgets(file_, buffer, sizeof buffer)) {
                int err = Z_OK;
                gzerror(file_, &err);
                failed_ = failed_ || (err != Z_OK && err != Z_STREAM_END);
                if (line.empty())
                    return false;
                break;
            }
            line += buffer;
            if (!line.empty() && line.back() == '\n') {
                line.pop_back();
                break;
            }
            if (line.size() > (1 << 20)) {  // no published row is this long: drop the rest
                line.clear();
            }
        }
        ShowProgress();
        return true;
    }

    void EndProgress()
    {
        if (shown_ >= 0)
            std::fprintf(stderr, tty_ ? "\r%s: 100%%\n" : "%s: 100%%\n", label_);
    }

private:
    void ShowProgress()
    {
        if (!progress_ || (++lines_ & 0xFFF) != 0)
            return;
        const int percent = static_cast<int>(100.0 * static_cast<double>(gzoffset(file_)) / static_cast<double>(size_));
        const int step = tty_ ? 1 : 10;
        if (percent / step != shown_ / step && percent < 100) {
            shown_ = percent;
            std::fprintf(stderr, tty_ ? "\r%s: %d%%" : "%s: %d%%\n", label_, percent);
            std::fflush(stderr);
        }
    }

    gzFile file_ = nullptr;
    const char* label_;
    long long size_ = 0;
    long lines_ = 0;
    int shown_ = -1;
    bool progress_ = false, tty_ = false, failed_ = false;
};

// Lines of an output file there already; 0 when there is none.
long ExistingEntries(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return 0;
    long lines = 0;
    int c;
    while ((c = std::fgetc(f)) != EOF)
        lines += c == '\n';
    std::fclose(f);
    return lines;
}

void Report(const char* file, const ConvertCounts& c)
{
    std::printf("%s: %ld entries written from %ld lines; %ld lines skipped (not understood), %ld rows not used, "
                "%ld outside the region, %ld identifiers over 4 characters\n",
                file, c.Written, c.Lines, c.Skipped, c.Unused, c.OutsideRegion, c.LongIdents);
}

using Converter = bool (*)(LineSource&, const RegionFilter&, std::string&, ConvertCounts&);

// One input to one output; false (with a message) when nothing could be written.
bool ConvertOne(const std::string& input, const char* label, Converter convert, const RegionFilter& region,
                const std::string& output, bool quiet, bool allowPartial, ConvertCounts* counts)
{
    FileLines lines(input, label, quiet);
    if (!lines.Ok()) {
        std::fprintf(stderr, "orvex-navdata: cannot open %s\n", input.c_str());
        return false;
    }
    std::string text;
    text.reserve(1 << 20);
    if (!convert(lines, region, text, *counts)) {
        std::fprintf(stderr, "orvex-navdata: %s line 2 is not the version line of a %s file; %s left unchanged\n",
                     input.c_str(), label, output.c_str());
        return false;
    }
    lines.EndProgress();
    if (lines.Failed()) {
        std::fprintf(stderr, "orvex-navdata: %s is damaged or cut short; %s left unchanged\n", input.c_str(),
                     output.c_str());
        return false;
    }
    // A cut or garbled input would make a worse file than the one there: refused unless
    // asked for, and an empty result never replaces entries.
    std::string why;
    if (!ConversionWhole(*counts, label, &why)) {
        if (!allowPartial) {
            std::fprintf(stderr, "orvex-navdata: %s %s; %s left unchanged (--allow-partial converts it anyway)\n",
                         input.c_str(), why.c_str(), output.c_str());
            return false;
        }
        std::fprintf(stderr, "orvex-navdata: %s %s; converted anyway (--allow-partial)\n", input.c_str(), why.c_str());
    }
    if (counts->Written == 0 && !allowPartial && ExistingEntries(output) > 0) {
        std::fprintf(stderr, "orvex-navdata: %s gives no entries; %s (%ld entries) left unchanged "
                     "(--allow-partial replaces it anyway)\n", input.c_str(), output.c_str(), ExistingEntries(output));
        return false;
    }
    if (!PlatformWriteFileAtomic(output.c_str(), text)) {
        std::fprintf(stderr, "orvex-navdata: cannot write %s\n", output.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Converts nav.dat, fix.dat and apt.dat (versions 600 to 1200, plain or .gz) into the display "
                 "unit's data files navaids.txt, waypoints.txt and Airports.txt."};
    std::string nav, fix, apt, outDir = "data";
    std::vector<double> centre;
    double radius = 0;
    bool quiet = false, allowPartial = false;
    app.add_option("--nav", nav, "nav.dat or nav.dat.gz (NDB, VOR, VOR-DME, VORTAC, DME, ILS rows)");
    app.add_option("--fix", fix, "fix.dat or fix.dat.gz");
    app.add_option("--apt", apt, "apt.dat or apt.dat.gz (land airports and their runways)");
    app.add_option("-o,--out", outDir, "folder for the three files (default: data)");
    app.add_option("--centre", centre, "keep only entries around LAT LON (degrees, north and east positive)")
        ->expected(2)->delimiter(',');
    app.add_option("--radius", radius, "radius of the region around --centre, nautical miles")
        ->check(CommandLineNumberAbove(0, false, "a distance above 0"));
    app.add_flag("-q,--quiet", quiet, "no progress lines");
    app.add_flag("--allow-partial", allowPartial,
                 "convert an input that is cut short (no closing 99 line) or has many rows not understood, "
                 "and let an empty result replace an output; without it such an input is refused and the "
                 "output left as it was");
    CommandLineAddVersion(app, "orvex-navdata");
    if (int code = CommandLineParse(app, argc, argv, "orvex-navdata"); code >= 0)
        return code;

    if (nav.empty() && fix.empty() && apt.empty()) {
        std::fprintf(stderr, "orvex-navdata: nothing to convert; give --nav, --fix and/or --apt (see --help)\n");
        return 2;
    }
    RegionFilter region;
    if (!centre.empty()) {
        if (radius <= 0) {
            std::fprintf(stderr, "orvex-navdata: --centre needs --radius\n");
            return 2;
        }
        region.Active = true;
        region.Lat = centre[0];
        region.Lon = centre[1];
        region.RadiusNm = radius;
    }
    std::error_code ignored;  // a folder that cannot be made shows as the first write's failure
    std::filesystem::create_directory(outDir, ignored);

    bool ok = true;
    ConvertCounts counts;
    if (!nav.empty()) {
        counts = {};
        if ((ok = ConvertOne(nav, "nav.dat", ConvertNavDat, region, outDir + "/navaids.txt", quiet, allowPartial, &counts) && ok)) {
            Report("navaids.txt", counts);
            std::printf("  VOR %ld, VOR-DME/VORTAC %ld (%ld DME rows folded in), NDB %ld, DME only %ld, ILS %ld\n",
                        counts.Vor, counts.VorDme, counts.Merged, counts.Ndb, counts.Dme, counts.Ils);
        }
    }
    if (!fix.empty()) {
        counts = {};
        const bool done = ConvertOne(fix, "fix.dat", ConvertFixDat, region, outDir + "/waypoints.txt", quiet, allowPartial, &counts);
        if (done)
            Report("waypoints.txt", counts);
        ok = ok && done;
    }
    if (!apt.empty()) {
        counts = {};
        const bool done = ConvertOne(apt, "apt.dat", ConvertAptDat, region, outDir + "/Airports.txt", quiet, allowPartial, &counts);
        if (done) {
            Report("Airports.txt", counts);
            std::printf("  %ld land runways; %ld airports with a runway of 5000 ft or more\n", counts.Runways,
                        counts.LongRunway);
        }
        ok = ok && done;
    }
    return ok ? 0 : 1;
}
