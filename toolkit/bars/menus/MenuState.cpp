#include "toolkit/bars/menus/MenuState.h"

UVMenuState& GetUVMenuState()
{
    static UVMenuState state;
    return state;
}
