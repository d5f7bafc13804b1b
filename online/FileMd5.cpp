#include <windows.h>

#include <vector>

#include "common/KernelHandle.h"
#include "common/WideText.h"
#include "online/Md5.h"
#include "online/UpdateCheck.h"

namespace vorn {

std::wstring FileMd5Hex(HANDLE file) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) return {};
    Md5 md5;
    // Large blocks: the digest runs over the whole executable at every launcher start.
    std::vector<unsigned char> block(1 << 20);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) return {};
        if (got == 0) break;
        md5.Update(block.data(), got);
    }
    return ToWide(Md5::Hex(md5.Finish()));
}

std::wstring FileMd5Hex(const wchar_t* path) {
    const KernelHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    return file ? FileMd5Hex(file.get()) : std::wstring();
}

}  // namespace vorn
