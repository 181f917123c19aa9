// Drawing: the whole client area, through the back buffer.
#ifndef MURKLE_WINDOW_DRAWING_H
#define MURKLE_WINDOW_DRAWING_H

#include <windows.h>

struct App;

void Paint(App& app, HDC target);

#endif
