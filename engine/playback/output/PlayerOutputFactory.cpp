#include "engine/playback/output/PlayerOutputFactory.h"

ComPtr<IPlayerOutput> CreateDeviceOutput(uint32_t, uint16_t, uint16_t, const GUID&, HWND)
{
    return {};
}
