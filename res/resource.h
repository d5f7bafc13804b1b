#pragma once
// Resource ids of the executable.
#define IDR_MAINFRAME 128  // application icon, and the game window's document template
