#include "shell/shell.h"
#include <gtest/gtest.h>

TEST(ShellState, ResetRestoresStartValues)
{
    Shell.PendingSoftKey = 3;
    ShellReset();
    EXPECT_EQ(Shell.PendingSoftKey, 6);
    EXPECT_TRUE(Shell.FadeDone);
}
