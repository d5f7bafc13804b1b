#pragma once
// A fresh folder under the temporary folder, removed with everything in it afterwards.
#include <windows.h>
#include <shellapi.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

class TempFolder {
public:
    explicit TempFolder(const std::wstring& hint = L"vorn") {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        path_ = std::wstring(base) + hint + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(counter_++) + L"-" + std::to_wstring(GetTickCount());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~TempFolder() {
        std::wstring from = path_ + L'\0';  // the shell wants a double terminator
        SHFILEOPSTRUCTW op{};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        SHFileOperationW(&op);
    }
    const std::wstring& path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

    static void WriteFile(const std::wstring& path, const std::string& bytes) {
        HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(f);
    }
    // A directory junction, as the system's own tools make one.
    static bool MakeJunction(const std::wstring& link, const std::wstring& target) {
        if (!CreateDirectoryW(link.c_str(), nullptr)) return false;
        HANDLE dir = CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (dir == INVALID_HANDLE_VALUE) return false;
        const std::wstring substitute = L"\\??\\" + target;
        const USHORT subBytes = static_cast<USHORT>(substitute.size() * sizeof(wchar_t));
        const USHORT printBytes = static_cast<USHORT>(target.size() * sizeof(wchar_t));
        std::vector<BYTE> buffer(8 + 8 + subBytes + 2 + printBytes + 2);
        auto put16 = [&](size_t at, USHORT v) { memcpy(&buffer[at], &v, 2); };
        const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
        memcpy(&buffer[0], &tag, 4);
        put16(4, static_cast<USHORT>(buffer.size() - 8));
        put16(8, 0);
        put16(10, subBytes);
        put16(12, static_cast<USHORT>(subBytes + 2));
        put16(14, printBytes);
        memcpy(&buffer[16], substitute.data(), subBytes);
        memcpy(&buffer[16 + subBytes + 2], target.data(), printBytes);
        DWORD returned = 0;
        const BOOL ok = DeviceIoControl(dir, FSCTL_SET_REPARSE_POINT, buffer.data(), static_cast<DWORD>(buffer.size()),
                                        nullptr, 0, &returned, nullptr);
        CloseHandle(dir);
        return ok != FALSE;
    }
    static std::string ReadFile(const std::wstring& path) {
        HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return {};
        std::string out;
        char buffer[4096];
        DWORD got = 0;
        while (::ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
        CloseHandle(f);
        return out;
    }

private:
    static inline int counter_ = 0;
    std::wstring path_;
};
