// orvex-panel: the cockpit panel stand-in. Sets the soft-key, knob, dimming, reversion,
// acknowledge and traffic bytes through the same offset protocol the display units use,
// and peeks and pokes any offset for tests.
// Owns: nothing lasting; one link per run. Reads: the offset space through SimLink.
#include "simlink/aircraft.h"
#include "simlink/simlink.h"

#include "platform/platform.h"

#include "shell/command_line.h"

#include "sim.h"   // the stand-in module's soft-key sample counters

#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <string>

// A display unit reads its soft-key byte once a frame and acts on a bit that is set now and
// was clear at its previous read. So a press counts only when the bit stays set across one
// of the unit's reads, and two presses of one key are two only when the release between
// them also stays across a read. Both are held at least KeyHoldMs, and then until orvex-sim's
// count of reads of the byte shows that a unit has read it since it changed: a frame that
// stalls longer than the hold on a loaded machine still sees the press and the release.
// A module without the count (or no unit running) is waited on for KeySampleWaitMs at most.
static constexpr int KeyHoldMs = 100;
static constexpr int KeySampleWaitMs = 5000;
static constexpr int KnobStepMs = 120;

static constexpr uint32_t TrafficRangeOffset = 0x73FA;
static constexpr uint32_t TrafficAutoOffset = 0x73D6;
static constexpr uint32_t TrafficBandOffset = 0x7842;

// `usage` marks a fault of the command line itself (exit code 2), found before the panel
// connects; the others are faults of the exchange with the module (exit code 1).
struct PanelFailure {
    std::string what;
    bool usage = false;
};

static uint8_t PanelReadByte(uint32_t offset)
{
    uint8_t value = 0;
    if (!SimLinkRead(offset, 1, &value) || !SimLinkProcess())
        throw PanelFailure{"cannot read offset " + std::to_string(offset)};
    return value;
}

static void PanelWriteByte(uint32_t offset, uint8_t value)
{
    if (!SimLinkWrite(offset, 1, &value) || !SimLinkProcess())
        throw PanelFailure{"cannot write offset " + std::to_string(offset)};
}

// Changes only the bits in `mask` of a shared byte; the other bits stay as read.
static void PanelSetBits(uint32_t offset, uint8_t mask, uint8_t bits)
{
    uint8_t value = PanelReadByte(offset);
    PanelWriteByte(offset, static_cast<uint8_t>((value & ~mask) | (bits & mask)));
}

static uint32_t UnitOffset(int unit, uint32_t du2, uint32_t du3)
{
    return unit == 2 ? du2 : du3;
}

static uint16_t PanelReadSamples(uint32_t counter)
{
    uint16_t samples = 0;
    if (!SimLinkRead(counter, 2, &samples) || !SimLinkProcess())
        throw PanelFailure{"cannot read offset " + std::to_string(counter)};
    return samples;
}

// Changes the key's bit and keeps it so for the hold and until a unit's read has seen it.
// The write and the first look at the count go in one exchange, which the module performs
// as one: every read counted after it saw the new bit. False when no read came in time.
static bool PanelHoldKeyBit(uint32_t offset, uint32_t counter, uint8_t bit, bool down)
{
    uint8_t value = PanelReadByte(offset);
    value = static_cast<uint8_t>(down ? value | bit : value & ~bit);
    uint16_t before = 0;
    if (!SimLinkWrite(offset, 1, &value) || !SimLinkRead(counter, 2, &before) || !SimLinkProcess())
        throw PanelFailure{"cannot write offset " + std::to_string(offset)};
    int64_t start = PlatformMonotonicNs();
    PlatformSleepMs(KeyHoldMs);
    while (PanelReadSamples(counter) == before) {
        if (PlatformMonotonicNs() - start >= int64_t{KeySampleWaitMs} * 1000000)
            return false;
        PlatformSleepMs(5);
    }
    return true;
}

static void PanelKey(int unit, int key)
{
    uint32_t offset = UnitOffset(unit, SoftKeyMaskOffsetDu2, SoftKeyMaskOffsetDu3);
    uint32_t counter = UnitOffset(unit, SimSoftKeySamplesDu2, SimSoftKeySamplesDu3);
    uint8_t bit = static_cast<uint8_t>(1u << key);
    bool seen = PanelHoldKeyBit(offset, counter, bit, true);
    // The release is held like the press, so a press of the same key right after this
    // one rises from a clear bit the unit has seen. When nothing read the press (no unit
    // runs, or the module keeps no count) the release is only held for the minimum.
    if (seen) {
        PanelHoldKeyBit(offset, counter, bit, false);
    } else {
        PanelSetBits(offset, bit, 0);
        PlatformSleepMs(KeyHoldMs);
    }
}

// One step at a time: the display takes one step per frame whatever the difference.
static void PanelKnob(int unit, bool up, int steps)
{
    uint32_t offset = UnitOffset(unit, KnobCounterOffsetDu2, KnobCounterOffsetDu3);
    for (int i = 0; i < steps; ++i) {
        if (i > 0)
            PlatformSleepMs(KnobStepMs);
        uint8_t counter = PanelReadByte(offset);
        PanelWriteByte(offset, static_cast<uint8_t>(up ? counter + 1 : counter - 1));
    }
}

// Offsets and values in decimal or 0x-hex.
static uint64_t ParseUnsigned(const std::string& text, const char* what)
{
    errno = 0;
    char* end = nullptr;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (text.empty() || text[0] == '-' || text[0] == '+')
        throw PanelFailure{std::string("bad ") + what + " \"" + text + "\"", true};
    uint64_t value = std::strtoull(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    if (errno != 0 || *end != 0 || end == text.c_str() + (hex ? 2 : 0))
        throw PanelFailure{std::string("bad ") + what + " \"" + text + "\"", true};
    return value;
}

static uint32_t ParseOffset(const std::string& text)
{
    uint64_t offset = ParseUnsigned(text, "offset");
    if (offset > 0xFFFFFFFFu)
        throw PanelFailure{"offset " + text + " is beyond 32 bits", true};
    return static_cast<uint32_t>(offset);
}

static void PanelPeek(const std::string& offsetText, int size)
{
    uint64_t offset = ParseOffset(offsetText);
    unsigned char bytes[8] = {};
    if (!SimLinkRead(static_cast<uint32_t>(offset), size, bytes) || !SimLinkProcess())
        throw PanelFailure{"cannot read " + std::to_string(size) + " bytes at offset " + offsetText};
    uint64_t value = 0;
    for (int i = 0; i < size; ++i)
        value |= uint64_t{bytes[i]} << (8 * i);
    std::printf("%" PRIu64 "\n", value);
}

// VALUE as SIZE little-endian bytes (or an IEEE float of 4 or 8 bytes).
static void PanelEncodeValue(int size, const std::string& valueText, bool isFloat, unsigned char bytes[8])
{
    if (isFloat) {
        if (size != 4 && size != 8)
            throw PanelFailure{"--float needs a size of 4 or 8", true};
        char* end = nullptr;
        double d = std::strtod(valueText.c_str(), &end);
        if (valueText.empty() || *end != 0)
            throw PanelFailure{"bad number \"" + valueText + "\"", true};
        float f = static_cast<float>(d);
        size == 4 ? std::memcpy(bytes, &f, 4) : std::memcpy(bytes, &d, 8);  // little-endian host
        return;
    }
    uint64_t value = ParseUnsigned(valueText, "value");
    if (size < 8 && value >> (8 * size) != 0)
        throw PanelFailure{"value " + valueText + " does not fit in " + std::to_string(size) + " bytes", true};
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

static void PanelPoke(const std::string& offsetText, int size, const std::string& valueText, bool isFloat)
{
    uint64_t offset = ParseOffset(offsetText);
    unsigned char bytes[8] = {};
    PanelEncodeValue(size, valueText, isFloat, bytes);
    if (!SimLinkWrite(static_cast<uint32_t>(offset), size, bytes) || !SimLinkProcess())
        throw PanelFailure{"cannot write " + std::to_string(size) + " bytes at offset " + offsetText};
}

struct PanelArgs {
    std::string command;  // "key", "knob", ..., "tcas range", "peek", "poke"
    int unit = 2, key = 0, steps = 1, level = 0, size = 1;
    std::string word, offset, value;
    bool isFloat = false;
};

static void PanelRun(const PanelArgs& a)
{
    const std::string& c = a.command;
    bool on = a.word == "on";
    if (c == "key")
        PanelKey(a.unit, a.key);
    else if (c == "knob")
        PanelKnob(a.unit, a.word == "up", a.steps);
    else if (c == "dim")
        PanelWriteByte(UnitOffset(a.unit, DimLevelOffsetDu2, DimLevelOffsetDu3), static_cast<uint8_t>(a.level));
    else if (c == "revert")
        PanelSetBits(DisplayReversionOffset, 0x01, on ? 0x01 : 0);
    else if (c == "ack")
        PanelSetBits(PanelFlagsOffset, PanelFlagAcknowledge, PanelFlagAcknowledge);
    else if (c == "man")
        PanelSetBits(PanelFlagsOffset, PanelFlagN1Manual, on ? PanelFlagN1Manual : 0);
    else if (c == "tcas range")
        PanelWriteByte(TrafficRangeOffset, static_cast<uint8_t>(a.level));
    else if (c == "tcas band")  // bits 3 and 2: 01 normal, 11 above, 10 below
        PanelSetBits(TrafficBandOffset, 0x0C, a.word == "normal" ? 0x04 : a.word == "above" ? 0x0C : 0x08);
    else if (c == "tcas auto")
        PanelSetBits(TrafficAutoOffset, 0x01, on ? 0x01 : 0);
    else if (c == "peek")
        PanelPeek(a.offset, a.size);
    else if (c == "poke")
        PanelPoke(a.offset, a.size, a.value, a.isFloat);
}

// Adds a subcommand that records its name in args.command when given.
static CLI::App* Command(CLI::App& parent, PanelArgs& args, const std::string& name, const std::string& help)
{
    CLI::App* sub = parent.add_subcommand(name, help);
    std::string full = parent.get_parent() ? parent.get_name() + " " + name : name;
    sub->callback([&args, full] { args.command = full; });
    return sub;
}

static void PanelDefineCommands(CLI::App& app, PanelArgs& a)
{
    auto units = CLI::IsMember({2, 3});
    auto onoff = CLI::IsMember({"on", "off"});
    auto* key = Command(app, a, "key", "press and release soft key N (0-5) of display unit 2 or 3");
    key->add_option("UNIT", a.unit)->required()->check(units);
    key->add_option("N", a.key)->required()->check(CLI::Range(0, 5));
    auto* knob = Command(app, a, "knob", "step a unit's knob up or down");
    knob->add_option("UNIT", a.unit)->required()->check(units);
    knob->add_option("DIRECTION", a.word)->required()->check(CLI::IsMember({"up", "down"}));
    knob->add_option("STEPS", a.steps)->check(CLI::Range(1, 255));
    auto* dim = Command(app, a, "dim", "set a unit's dimming, 0 full brightness to 255 black");
    dim->add_option("UNIT", a.unit)->required()->check(units);
    dim->add_option("LEVEL", a.level)->required()->check(CLI::Range(0, 255));
    Command(app, a, "revert", "swap the two display units (on) or put them back (off)")
        ->add_option("STATE", a.word)->required()->check(onoff);
    Command(app, a, "ack", "acknowledge the master caution and warning");
    Command(app, a, "man", "N1 manual mode on or off")->add_option("STATE", a.word)->required()->check(onoff);
    auto* tcas = app.add_subcommand("tcas", "traffic settings");
    tcas->require_subcommand(1);
    Command(*tcas, a, "range", "traffic range in nautical miles")
        ->add_option("NM", a.level)->required()->check(CLI::Range(0, 255));
    Command(*tcas, a, "band", "traffic altitude band")
        ->add_option("BAND", a.word)->required()->check(CLI::IsMember({"normal", "above", "below"}));
    Command(*tcas, a, "auto", "show traffic only while a threat exists")
        ->add_option("STATE", a.word)->required()->check(onoff);
    auto* peek = Command(app, a, "peek", "print SIZE bytes at OFFSET as an unsigned little-endian number");
    peek->add_option("OFFSET", a.offset)->required();
    peek->add_option("SIZE", a.size)->required()->check(CLI::Range(1, 8));
    auto* poke = Command(app, a, "poke", "write VALUE as SIZE little-endian bytes at OFFSET");
    poke->add_option("OFFSET", a.offset)->required();
    poke->add_option("SIZE", a.size)->required()->check(CLI::Range(1, 8));
    poke->add_option("VALUE", a.value)->required();
    poke->add_flag("--float", a.isFloat, "VALUE is a number stored as a 4- or 8-byte IEEE float");
}

int main(int argc, char** argv)
{
    CLI::App app{"orvex-panel: cockpit panel stand-in; talks to the simulator module over the offset protocol"};
    app.require_subcommand(1);
    PanelArgs args;
    PanelDefineCommands(app, args);
    CommandLineAddVersion(app, "orvex-panel");
    if (int code = CommandLineParse(app, argc, argv, "orvex-panel"); code >= 0)
        return code;

    // The offset and value of peek and poke are checked before anything is sent, so a typo
    // is a usage error and never half a change.
    try {
        if (args.command == "peek" || args.command == "poke")
            ParseOffset(args.offset);
        unsigned char bytes[8];
        if (args.command == "poke")
            PanelEncodeValue(args.size, args.value, args.isFloat, bytes);
    } catch (const PanelFailure& failure) {
        std::fprintf(stderr, "orvex-panel: %s\n", failure.what.c_str());
        return ExitUsage;
    }
    if (!SimLinkOpen(0)) {
        // No module at all is exit 2, as documented; a module that is there but cannot be
        // used (or a runtime folder that cannot be) says why and is exit 1.
        if (!SimLink.Failure.empty()) {
            std::fprintf(stderr, "orvex-panel: cannot connect to the simulator module: %s\n", SimLink.Failure.c_str());
            return 1;
        }
        // Windows has no runtime folder: the module is a window of the session.
        std::string where = PlatformRuntimeDir();
        if (where.empty())
            std::fprintf(stderr, "orvex-panel: no simulator module answers (no module window of class UIPCMAIN or "
                                 "FS98MAIN; is orvex-sim running?)\n");
        else
            std::fprintf(stderr, "orvex-panel: no simulator module answers in the runtime folder %s (is orvex-sim running?)\n",
                         where.c_str());
        return ExitUsage;
    }
    int status = 0;
    try {
        PanelRun(args);
    } catch (const PanelFailure& failure) {
        std::fprintf(stderr, "orvex-panel: %s\n", failure.what.c_str());
        status = 1;
    }
    SimLinkClose();
    return status;
}
