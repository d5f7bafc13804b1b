// Reference program for start-up benchmarks: a GUI program that ends at once.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) { return 0; }
