// Flight plans: the plan list of the plan folder, the selection page, the active plan and
// the three readers that fill it (XML and line-based PLN files, FMC files).
#pragma once

constexpr int PlanListMax = 50;   // names the list holds
constexpr int PlanNameMax = 100;  // bytes of a name slot, terminator included

// The plan files found in the plan folder; one instance, `PlanList`.
struct PlanListState {
    char rawNames[PlanListMax][PlanNameMax] = {};
    char names[PlanListMax][PlanNameMax] = {};
    int count = 0;
    int found = 0;      // plan files in the folder, those past the table's 50 included
    int selected = 0;   // kept when the list is rebuilt; the menu wraps it
};
extern PlanListState PlanList;
void PlanListReset();

void BuildPlanList();
bool IsPlanFileName(const char* text);
// The name shown for a listing line: upper-cased in the display font's code page
// (Windows-1252), a name written in UTF-8 converted to it; a character that code page
// lacks becomes its plain letter where it has one ("Ł" as "L"), else "?". At most
// PlanNameMax - 1 bytes, NUL-terminated; the line end is not part of it.
void PlanDisplayName(const char* raw, char out[PlanNameMax]);
void DrawPlanListPage();

constexpr int PlanLegMax = 50;     // legs the active plan holds
constexpr int PlanIdentMax = 100;  // bytes of an ident, terminator included

// One point of the plan. The readers write ident, type and position; the route drawer
// writes distance and bearing every map frame.
struct PlanLeg {
    char ident[PlanIdentMax] = {};
    char type = 0;           // 'A' airport, 'V' VOR, 'I' intersection, a line plan's letter, or 0
    float latitude = 0.0f;   // degrees, north positive
    float longitude = 0.0f;  // degrees, east positive
    float distanceNm = 0.0f;
    float bearingDeg = 0.0f;
};

struct FlightPlanState {
    int legCount = 0;
    bool loaded = false;   // a plan has been read since start (even an empty one)
    PlanLeg legs[PlanLegMax] = {};
    // Waypoints a reader met after the 50th; they are not kept, but the load reports them.
    int droppedLegs = 0;
    // Waypoints left out because their position lies off the earth.
    int refusedLegs = 0;
    // XML waypoints that gave no position at all (the newest planners leave it out for
    // points they expect the simulator to look up); they cannot be drawn.
    int unplacedLegs = 0;
    char path[500] = {};   // the plan being loaded
};
extern FlightPlanState FlightPlan;
void FlightPlanReset();

// Loads names[index] of the plan list as the active plan; an index outside the list loads
// nothing.
void LoadFlightPlan(int index);
void MarkPlanAirports();
// A leg's name as the map writes it: in the font's code page as PlanDisplayName converts a
// file name, but keeping its case.
void PlanIdentLabel(const char* ident, char out[PlanIdentMax]);

// The readers. Each starts from an empty plan (legCount 0, every leg zeroed) and never
// fails: what it cannot read it leaves out. ReadPlnPlan returns which kind it found.
enum class PlnKind { Missing, LineBased, Xml };
PlnKind ReadPlnPlan(const char* path);
void ReadPlnXml(const char* path);
void ReadFmcPlan(const char* path);

// The same readers over bytes already in memory (the fuzz targets and the benchmark feed
// them; the file readers above read the file and call these).
PlnKind ReadPlnText(const char* data, unsigned long size);
void ReadPlnXmlText(const char* data, unsigned long size);
void ReadFmcText(const char* data, unsigned long size);
