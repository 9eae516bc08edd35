#include "driver/install.h"

void RunInstall(HINSTANCE, const char*)
{
    // The install sequence is not built yet: install mode ends without touching anything.
}
