// The state dump's naming rules and its JSON for values a module can send.
#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "simlink/state_dump.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

TEST(StateDump, NamesReceivedValuesOnlyWhereTheyDifferFromTheShownOnes)
{
    AircraftReset();
    CockpitReset();
    ShellReset();
    Aircraft.Raw.OilPressLeft = NAN;
    std::memcpy(Aircraft.Raw.GpsNextIdent, "A\"B\\\x01\xB0", 6);
    Shell.LinkConnected = true;
    ConvertAircraftState();
    DeriveFuelAndSurfaces();
    char line[32 * 1024];
    int n = StateDumpFormat(7, line, sizeof line);
    ASSERT_GT(n, 0);
    ASSERT_LT(n, static_cast<int>(sizeof line));
    std::string s(line, static_cast<size_t>(n));
    EXPECT_EQ(s.rfind("{\"frame\":7,", 0), 0u);
    EXPECT_EQ(s.back(), '}');
    // Converted in place: both names (the state test reads them); used as received: once.
    for (const char* key : {"\"ApHeadingRaw\":", "\"HeadingTrueRawRaw\":", "\"SpoilerPosLeftRaw\":"})
        EXPECT_EQ(s.find(key), std::string::npos) << key;
    // JSON has no NaN; identifiers with quotes, backslashes and control bytes stay valid.
    EXPECT_NE(s.find("\"OilPressLeft\":null"), std::string::npos);
    EXPECT_NE(s.find("\"GpsNextIdent\":\"A\\\"B\\\\\\u0001\\u00b0\""), std::string::npos);

    // A short buffer is never overrun; the length needed comes back.
    char small[16];
    EXPECT_EQ(StateDumpFormat(7, small, sizeof small), n);
}
