/* A program that only tells that it ran: the tests plant copies of it under the name
   of a program the installer starts, where only an unsafe search would find it. Each
   copy appends its command line to a file beside itself, named after it plus ".ran". */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR arguments, int show)
{
    char record[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(NULL, record, MAX_PATH);
    (void)instance, (void)previous, (void)arguments, (void)show;
    if (length == 0 || length >= MAX_PATH)
        return 1;
    lstrcpyA(record + length, ".ran");
    HANDLE file = CreateFileA(record, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const char* commandLine = GetCommandLineA();
    DWORD written;
    WriteFile(file, commandLine, (DWORD)lstrlenA(commandLine), &written, NULL);
    CloseHandle(file);
    return 0;
}
