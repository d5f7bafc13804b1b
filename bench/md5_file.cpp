// Prints the program's MD5 text of one file, for the digest benchmark against md5sum.
#include <windows.h>

#include <cstdio>

#include "online/UpdateCheck.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 2;
    const std::wstring hex = vorn::FileMd5Hex(argv[1]);
    std::printf("%ls\n", hex.c_str());
    return hex.empty() ? 1 : 0;
}
