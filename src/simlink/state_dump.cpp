// The state dump: every field of AircraftState under its own name after this frame's
// conversions, the received value under <Name>Raw where a field is converted in place,
// and the cockpit and display state around it. Generated from the field lists in
// aircraft.h, so a field added there appears here without further work.
// Owns: the dump file. Reads: Aircraft, Cockpit, Shell, Menu, Traffic.TrafficOn, the take-off
// speeds of AircraftConfig, the window title.
#include "simlink/state_dump.h"

#include "menu/aircraft_config.h"
#include "menu/menu.h"
#include "plan/plan.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "traffic/traffic.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

static FILE* DumpFile = nullptr;
static int SoftKeyAfterAcquisition = 6;
// The knob steps waiting when this frame began (clicks on the bezel knob; the cockpit
// counter's steps are added later in the frame), before the V-speeds page takes them.
static bool KnobDecrementSeen = false, KnobIncrementSeen = false;
// One frame's object; formatted in place so a running dump allocates nothing per frame.
static char DumpLine[32 * 1024];

// Appends to a bounded buffer; keeps counting past its end so the caller learns the size.
struct DumpWriter {
    char* buffer;
    int size;
    int used;
};

static void Append(DumpWriter* w, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int room = w->used < w->size ? w->size - w->used : 0;
    int n = std::vsnprintf(room ? w->buffer + w->used : nullptr, static_cast<size_t>(room), format, args);
    va_end(args);
    if (n > 0)
        w->used += n;
}

static void Key(DumpWriter* w, const char* name)
{
    Append(w, w->used > 1 ? ",\"%s\":" : "\"%s\":", name);
}

static void Value(DumpWriter* w, bool v) { Append(w, v ? "true" : "false"); }
static void Value(DumpWriter* w, int v) { Append(w, "%d", v); }
static void Value(DumpWriter* w, unsigned v) { Append(w, "%u", v); }
static void Value(DumpWriter* w, uint8_t v) { Append(w, "%u", static_cast<unsigned>(v)); }
static void Value(DumpWriter* w, uint16_t v) { Append(w, "%u", static_cast<unsigned>(v)); }
static void Value(DumpWriter* w, int16_t v) { Append(w, "%d", static_cast<int>(v)); }
static void Value(DumpWriter* w, int64_t v) { Append(w, "%lld", static_cast<long long>(v)); }
// JSON has no NaN or infinity; a module sending them shows as null.
static void Value(DumpWriter* w, double v)
{
    if (std::isfinite(v))
        Append(w, "%.17g", v);
    else
        Append(w, "null");
}
static void Value(DumpWriter* w, float v)
{
    if (std::isfinite(v))
        Append(w, "%.9g", static_cast<double>(v));
    else
        Append(w, "null");
}

// Text as a JSON string; bytes outside printable ASCII are escaped so any identifier
// the module sends keeps the line valid.
static void Text(DumpWriter* w, const char* text)
{
    Append(w, "\"");
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\')
            Append(w, "\\%c", c);
        else if (c < 0x20 || c >= 0x7F)
            Append(w, "\\u%04x", c);
        else
            Append(w, "%c", c);
    }
    Append(w, "\"");
}

static void AppendAircraft(DumpWriter* w)
{
#define ORVEX_DUMP_FIELD(type, name, initial) \
    Key(w, #name);                           \
    Value(w, Aircraft.name);
    ORVEX_AIRCRAFT_FIELDS(ORVEX_DUMP_FIELD)
#undef ORVEX_DUMP_FIELD
    Key(w, "GpsNextIdent");
    Text(w, Aircraft.GpsNextIdent);

    // The received values: under <Name>Raw for fields converted in place, under their own
    // name for those that only feed other fields. Values used as received are above.
#define ORVEX_DUMP_RAW_Copy(name)
#define ORVEX_DUMP_RAW_Unit(name) \
    Key(w, #name "Raw");          \
    Value(w, Aircraft.Raw.name);
#define ORVEX_DUMP_RAW_Into(name) \
    Key(w, #name);                \
    Value(w, Aircraft.Raw.name);
#define ORVEX_DUMP_RAW(offset, type, name, kind) ORVEX_DUMP_RAW_##kind(name)
    ORVEX_ACQUISITION_TABLE(ORVEX_DUMP_RAW)
#undef ORVEX_DUMP_RAW
#undef ORVEX_DUMP_RAW_Copy
#undef ORVEX_DUMP_RAW_Unit
#undef ORVEX_DUMP_RAW_Into
}

int StateDumpFormat(long frame, char* buffer, int size)
{
    DumpWriter w{buffer, size, 0};
    Append(&w, "{");
    Key(&w, "frame");
    Append(&w, "%ld", frame);
    AppendAircraft(&w);
    Key(&w, "LinkConnected"), Value(&w, Shell.LinkConnected);
    Key(&w, "ShowingMfd"), Value(&w, Shell.ShowingMfd);
    Key(&w, "ShowingEicas"), Value(&w, Shell.ShowingEicas);
    Key(&w, "PendingSoftKey"), Value(&w, SoftKeyAfterAcquisition);
    Key(&w, "KnobDecrement"), Value(&w, KnobDecrementSeen);
    Key(&w, "KnobIncrement"), Value(&w, KnobIncrementSeen);
    Key(&w, "MenuLevel"), Value(&w, Menu.MenuLevel);
    Key(&w, "MenuPage"), Value(&w, Menu.MenuPage);
    Key(&w, "MapRangeIndex"), Value(&w, Shell.MapRangeIndex);
    Key(&w, "ShowVor"), Value(&w, Shell.ShowVor);
    Key(&w, "ShowAirports"), Value(&w, Shell.ShowAirports);
    Key(&w, "ShowRoute"), Value(&w, Shell.ShowRoute);
    Key(&w, "ShowNdb"), Value(&w, Shell.ShowNdb);
    Key(&w, "TrafficOn"), Value(&w, Traffic.TrafficOn);
    Key(&w, "PlanCount"), Value(&w, PlanList.count);
    Key(&w, "PlanSelected"), Value(&w, PlanList.selected);
    Key(&w, "PlanLoaded"), Value(&w, FlightPlan.loaded);
    Key(&w, "PlanLegCount"), Value(&w, FlightPlan.legCount);
    // The take-off speeds as the V-speeds page shows and sets them.
    Key(&w, "V1"), Value(&w, AircraftConfig.V1);
    Key(&w, "VR"), Value(&w, AircraftConfig.VR);
    Key(&w, "V2"), Value(&w, AircraftConfig.V2);
    Key(&w, "PanelFlags"), Value(&w, Cockpit.PanelFlags);
    Key(&w, "DisplayReversion"), Value(&w, Cockpit.DisplayReversion);
    Key(&w, "PanelNotifyPending"), Value(&w, Cockpit.PanelNotifyPending);
    Key(&w, "WindowTitle"), Text(&w, PlatformGetTitle());
    Append(&w, "}");
    return w.used;
}

bool StateDumpOpen(const char* path)
{
    StateDumpClose();
    DumpFile = PlatformOpenOutput(path, true);
    return DumpFile != nullptr;
}

void StateDumpNoteAcquired()
{
    SoftKeyAfterAcquisition = Shell.PendingSoftKey;
    KnobDecrementSeen = Shell.KnobDecrement;
    KnobIncrementSeen = Shell.KnobIncrement;
}

void StateDumpFrame(long frame)
{
    if (!DumpFile)
        return;
    int n = StateDumpFormat(frame, DumpLine, sizeof DumpLine);
    if (n >= static_cast<int>(sizeof DumpLine))
        n = sizeof DumpLine - 1;   // cannot happen with the fields we have; never overrun
    std::fwrite(DumpLine, 1, static_cast<size_t>(n), DumpFile);
    std::fputc('\n', DumpFile);
    // Flushed each frame so a test or a human can follow a running unit.
    std::fflush(DumpFile);
}

void StateDumpClose()
{
    if (DumpFile)
        PlatformCloseOutput(DumpFile);
    DumpFile = nullptr;
}
