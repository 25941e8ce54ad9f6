// The program entry of a window-layer application: runs the global
// application object. Linked in only when the program has no entry of its own.
#include <windows.h>

#include "platform/ui/app.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    return ui::AfxWinMain(instance, showCommand);
}
