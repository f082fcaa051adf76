#include "platform/Sleep.h"

#include <windows.h>

void Plat_SleepMs(uint32_t milliseconds) { ::Sleep(milliseconds); }
