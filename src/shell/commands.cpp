// The menu commands: one call per command id.
#include "entries/entry_edit.h"
#include "resources/resource.h"
#include "shell/main_window.h"
#include "view/form_image.h"
#include "view/view_state.h"

static void OnExit()
{
    if (boxOpen)
        CancelEntryEdit();
    SendMessageA(MainWindow, WM_CLOSE, 0, 0);
}

void OnCommand(int id)
{
    switch (id) {
    case IDM_OPEN_BMP: OnOpenForm(false); break;
    case IDM_OPEN_ORIGINAL: OnOpenForm(true); break;
    case IDM_EXIT: OnExit(); break;
    case IDM_ZOOM_IN: ZoomIn(); break;
    case IDM_ZOOM_OUT: ZoomOut(); break;
    }
    // Every command, whatever it did, disarms the right button: a placement
    // needs a press after the last command.
    rightButtonArmed = false;
}
