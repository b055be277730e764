#include "platform/ProgramState.h"

HINSTANCE g_instance = nullptr;
int g_automaticMode = 0;
int g_amiBrokerMode = 0;
int g_pivotraxMode = 0;
HWND g_sessionWindow = nullptr;
