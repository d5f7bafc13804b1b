#pragma once
// The skinned message box that every question and notice of the program uses instead of
// the system's. Types: 0 OK, 1 OK and Cancel, 4 Yes and No (any other value behaves like
// 0). Answers IDOK (1), IDCANCEL (2), IDYES (6) or IDNO (7); the close button answers 2.
// Enter and Escape do nothing. Blocks the calling thread until answered.
#include <windows.h>

int ShowMessage(int type, const wchar_t* title, const wchar_t* text, HWND parent);
