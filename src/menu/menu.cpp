// The soft-key menu state.
// Owns: Menu.
#include "menu/menu.h"

MenuState Menu;

void MenuReset()
{
    Menu = MenuState{};
}
