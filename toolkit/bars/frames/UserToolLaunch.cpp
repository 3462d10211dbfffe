#include "toolkit/bars/frames/UserToolLaunch.h"

#include <shellapi.h>

UVUserToolLookup& GetUVUserToolLookup()
{
    static UVUserToolLookup lookup = nullptr;
    return lookup;
}

void UVLaunchUserTool(HWND owner, UINT id)
{
    const UVUserToolLookup lookup = GetUVUserToolLookup();
    UVUserToolRecord record;
    if (!lookup || !lookup(id, record))
        return;
    ShellExecuteW(owner, L"open", record.command, record.arguments, record.directory, SW_SHOW);
}
