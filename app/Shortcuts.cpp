#include "app/Shortcuts.h"

#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "maintenance/FileHelpers.h"

namespace vorn {

namespace {

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return {};
    return path;
}

bool FileExists(const wchar_t* path) {
    return path != nullptr && path[0] != L'\0' && GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

std::wstring LinkPath(const std::wstring& folder, const wchar_t* name) {
    std::wstring path = folder + L"\\" + name + L".lnk";
    return path.size() < MAX_PATH ? path : std::wstring();
}

std::wstring StartMenuFolder() {
    const std::wstring programs = ShellFolder(CSIDL_COMMON_PROGRAMS);
    return programs.empty() ? std::wstring() : programs + L"\\" + kStartMenuFolder;
}

}  // namespace

BOOL CreateShellShortcut(const wchar_t* linkPath, const wchar_t* target, const wchar_t* description,
                         const wchar_t* arguments) {
    if (linkPath == nullptr || target == nullptr) return FALSE;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return FALSE;
    }
    link->SetPath(target);
    link->SetIconLocation(target, 0);
    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        link->Release();
        return FALSE;
    }
    link->SetArguments(arguments != nullptr ? arguments : L"");
    if (description != nullptr && description[0] != L'\0') link->SetDescription(description);
    file->Save(linkPath, TRUE);
    file->Release();
    link->Release();
    return TRUE;
}

BOOL CreateDesktopShortcut(const wchar_t* target) {
    if (!FileExists(target)) return FALSE;
    const std::wstring desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    if (desktop.empty()) return FALSE;

    // A per-user copy left by an older installation would show the launcher twice.
    std::wstring documents = ShellFolder(CSIDL_PERSONAL);
    const size_t docSlash = documents.rfind(L'\\');
    const size_t deskSlash = desktop.rfind(L'\\');
    if (docSlash != std::wstring::npos && deskSlash != std::wstring::npos) {
        const std::wstring perUser =
            documents.substr(0, docSlash) + desktop.substr(deskSlash) + L"\\" + kShortcutName + L".lnk";
        if (perUser.size() < MAX_PATH) DeleteFileW(perUser.c_str());
    }
    const std::wstring link = LinkPath(desktop, kShortcutName);
    if (link.empty()) return FALSE;
    return CreateShellShortcut(link.c_str(), target, kShortcutName, kShortcutSwitch);
}

BOOL CreateStartMenuShortcut(const wchar_t* name, const wchar_t* target, const wchar_t* arguments) {
    if (name == nullptr || name[0] == L'\0' || !FileExists(target)) return FALSE;
    const std::wstring folder = StartMenuFolder();
    if (folder.empty()) return FALSE;
    CreateDirectoryW(folder.c_str(), nullptr);  // an existing folder is no error
    const std::wstring link = LinkPath(folder, name);
    if (link.empty()) return FALSE;
    return CreateShellShortcut(link.c_str(), target, nullptr, arguments);
}

BOOL DeleteDesktopShortcut(const wchar_t* name) {
    if (name == nullptr || name[0] == L'\0') return FALSE;
    const std::wstring desktop = ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY);
    if (desktop.empty()) return FALSE;
    const std::wstring link = LinkPath(desktop, name);
    return !link.empty() && DeleteFileW(link.c_str());
}

BOOL DeleteStartMenuShortcut(const wchar_t* name) {
    if (name == nullptr || name[0] == L'\0') return FALSE;
    const std::wstring folder = StartMenuFolder();
    if (folder.empty()) return FALSE;
    const std::wstring link = LinkPath(folder, name);
    return !link.empty() && DeleteFileW(link.c_str());
}

void RemoveShortcuts() {
    const HRESULT com = CoInitialize(nullptr);
    DeleteDesktopShortcut(kForeignDesktopShortcut);
    DeleteDesktopShortcut(kShortcutName);
    DeleteStartMenuShortcut(kShortcutName);
    DeleteStartMenuShortcut(kUninstallShortcutName);
    const std::wstring folder = StartMenuFolder();
    // A missing folder "holds one file" and stays missing; a foreign file keeps it.
    if (!folder.empty() && CountFilesInTree(folder.c_str()) == 0) RemoveDirectoryW(folder.c_str());
    if (SUCCEEDED(com)) CoUninitialize();
}

}  // namespace vorn
