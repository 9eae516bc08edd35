#include "driver/instance.h"

HINSTANCE g_hInstance;
