// Start-up: registers the window class, creates the main window, opens the
// form named on the command line, runs the message loop until the window is
// closed.
#include <windows.h>

#include "resources/resource.h"
#include "shell/commands.h"
#include "shell/main_window.h"
#include "shell/shell_globals.h"

// A key of the "FORMKEYS" table pressed in the main window becomes its
// menu command. Only the main window's own key presses are looked at: in
// the entry box the keys are the box's, and dialogs, message boxes and
// menus run message loops of their own.
static bool TranslateCommandKey(HACCEL keys, MSG* message)
{
    if (message->message != WM_KEYDOWN || message->hwnd != gMainWindow)
        return false;
    return TranslateAcceleratorA(gMainWindow, keys, message) != 0;
}

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

    HACCEL keys = LoadAcceleratorsA(instance, "FORMKEYS");
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        if (TranslateCommandKey(keys, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return (int)message.wParam;
}
