#pragma once

#include <string>

// The id of a window on the X display named by DISPLAY whose title (WM_NAME or _NET_WM_NAME)
// is exactly title, searched among the root's children and, below window-manager frames, their
// descendants; 0 when there is none or no display can be opened.
unsigned long FindX11WindowByTitle(const std::wstring& title);
