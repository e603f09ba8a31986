// Start-up: registers the window class, creates the main window, opens the
// form named on the command line, runs the message loop until the window is
// closed.
#include <windows.h>

#include "resources/resource.h"
#include "shell/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_PROGRAM));
    windowClass.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    windowClass.lpszMenuName = "FORMFILE";
    windowClass.lpszClassName = "Scrivelander";
    if (!RegisterClassA(&windowClass))
        return 0;

    gInstance = instance;
    if (!CreateWindowExA(0, "Scrivelander", gFileTitle, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                         0, 0, 0, 0, NULL, NULL, instance, NULL)) {
        // Without a window no message would ever end the loop below.
        MessageBoxA(NULL, "Scrivelander could not create its window and has to end.", NULL, MB_OK);
        return 1;
    }
    gPreviousWindow = GetWindow(gMainWindow, GW_HWNDNEXT);
    ShowWindow(gMainWindow, SW_SHOWMAXIMIZED);
    UpdateWindow(gMainWindow);
    OpenFormFromCommandLine(arguments);

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
