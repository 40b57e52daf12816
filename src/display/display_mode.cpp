#include "display/display_records.h"

DisplayModeRequest displayModeRequest(int width, int height)
{
    DisplayModeRequest mode{};
    mode.dmSize = sizeof(DisplayModeRequest);
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmBitsPerPel = 32;
    mode.dmPelsWidth = static_cast<DWORD>(width);
    mode.dmPelsHeight = static_cast<DWORD>(height);
    return mode;
}
