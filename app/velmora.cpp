// Velmora: the small application that the package installs. It shows a window
// and counts its starts under its settings key, which the uninstall removes.
#include <windows.h>

static const char SETTINGS_KEY[] = "Software\\Karvenko\\Velmora";

static DWORD CountStart()
{
    HKEY key;
    DWORD starts = 0;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SETTINGS_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return 0;
    DWORD size = sizeof starts;
    if (RegQueryValueExA(key, "Starts", NULL, NULL, (BYTE*)&starts, &size) != ERROR_SUCCESS)
        starts = 0;
    ++starts;
    RegSetValueExA(key, "Starts", 0, REG_DWORD, (const BYTE*)&starts, sizeof starts);
    RegCloseKey(key);
    return starts;
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT client;
        GetClientRect(window, &client);
        char text[128];
        wsprintfA(text, "Karvenko's Velmora for Win32 1.0\n\nStarted %lu time(s).",
                  (unsigned long)GetWindowLongPtrA(window, GWLP_USERDATA));
        DrawTextA(dc, text, -1, &client, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "Velmora";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("Velmora", "Velmora", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 360, 200, NULL, NULL, instance, NULL);
    SetWindowLongPtrA(window, GWLP_USERDATA, (LONG_PTR)CountStart());
    ShowWindow(window, show);
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
