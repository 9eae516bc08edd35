// bench_idle.exe SECONDS
// Keeps one Windows process alive, so that wineserver and Wine's services stay
// up between the timed runs: a warm session, as on a desktop where the user
// starts the package.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    DWORD seconds = argc > 1 ? std::strtoul(argv[1], NULL, 10) : 600;
    Sleep(seconds * 1000);
    return 0;
}
