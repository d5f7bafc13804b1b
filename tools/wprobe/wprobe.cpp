// Test helper: finds windows of any process and reads or drives them, for end-to-end
// tests that watch the launcher from outside as a player or another process would.
// Every answer is one JSON object per line on standard output.
//
//   wprobe find [--title T] [--class C] [--visible] [--parent HWND]
//   wprobe wait [--title T] [--class C] [--visible] [--timeout MS]   (exit 1 on timeout)
//   wprobe gone HWND [--timeout MS]                                    (exit 1 if still there)
//   wprobe info HWND
//   wprobe children HWND
//   wprobe send HWND MSG WPARAM LPARAM
//   wprobe post HWND MSG WPARAM LPARAM    (MSG a number, or the name of a registered message)
//   wprobe trayremove HWND ID        (removes the notification-area icon ID of HWND)
//   wprobe click HWND X Y            (client coordinates, left button down and up, posted)
//   wprobe clickitem HWND ID         (BM_CLICK on the dialog item)
//   wprobe copydata HWND TEXT        (WM_COPYDATA with the text as UTF-16 and its zero)
//   wprobe sendkey HWND VK           (posted WM_KEYDOWN and WM_KEYUP)
//   wprobe front HWND                (puts the window on top of the others)
//   wprobe focus HWND                (the foreground window and the input state of HWND's thread)
//   wprobe hold TITLE                (shows a plain window with that title until the process ends)
// Numbers may be decimal or 0x-hexadecimal. Window handles are printed in decimal.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string Json(const std::wstring& text) {
    std::string out = "\"";
    for (unsigned char c : Utf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

long long Number(const wchar_t* text) { return text != nullptr ? std::wcstoll(text, nullptr, 0) : 0; }

HWND Handle(const wchar_t* text) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(Number(text))); }

long long HandleValue(HWND hwnd) { return static_cast<long long>(reinterpret_cast<INT_PTR>(hwnd)); }

std::wstring TextOf(HWND hwnd) {
    // WM_GETTEXT works across processes for every window class, with a time limit so a
    // hung window cannot hang the probe.
    wchar_t buffer[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &copied)) {
        return {};
    }
    return buffer;
}

std::wstring ClassOf(HWND hwnd) {
    wchar_t buffer[256] = {};
    GetClassNameW(hwnd, buffer, 256);
    return buffer;
}

std::string Describe(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    RECT client{};
    GetClientRect(hwnd, &client);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    const LONG exStyle = GetWindowLongW(hwnd, GWL_EXSTYLE);
    char line[1024];
    std::snprintf(line, sizeof line,
                  "{\"hwnd\": %lld, \"class\": %s, \"title\": %s, \"visible\": %s, \"enabled\": %s, "
                  "\"iconic\": %s, \"zoomed\": %s, \"rect\": [%ld, %ld, %ld, %ld], \"client\": [%ld, %ld], "
                  "\"parent\": %lld, \"owner\": %lld, \"id\": %ld, \"pid\": %lu, \"style\": %lu, \"exstyle\": %lu, "
                  "\"topmost\": %s}",
                  HandleValue(hwnd), Json(ClassOf(hwnd)).c_str(), Json(TextOf(hwnd)).c_str(),
                  IsWindowVisible(hwnd) ? "true" : "false", IsWindowEnabled(hwnd) ? "true" : "false",
                  IsIconic(hwnd) ? "true" : "false", IsZoomed(hwnd) ? "true" : "false", rect.left, rect.top,
                  rect.right, rect.bottom, client.right, client.bottom, HandleValue(GetAncestor(hwnd, GA_PARENT)),
                  HandleValue(GetWindow(hwnd, GW_OWNER)), static_cast<long>(GetWindowLongPtrW(hwnd, GWLP_ID)),
                  static_cast<unsigned long>(pid), static_cast<unsigned long>(style),
                  static_cast<unsigned long>(exStyle), (exStyle & WS_EX_TOPMOST) ? "true" : "false");
    return line;
}

struct Filter {
    const wchar_t* title = nullptr;
    const wchar_t* className = nullptr;
    bool visibleOnly = false;
    HWND parent = nullptr;
};

bool Matches(HWND hwnd, const Filter& filter) {
    if (filter.visibleOnly && !IsWindowVisible(hwnd)) return false;
    if (filter.className != nullptr && ClassOf(hwnd) != filter.className) return false;
    if (filter.title != nullptr && TextOf(hwnd) != filter.title) return false;
    return true;
}

std::vector<HWND> FindWindows(const Filter& filter) {
    struct Search {
        const Filter* filter;
        std::vector<HWND> found;
    } search{&filter, {}};
    auto collect = [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (Matches(hwnd, *s->filter)) s->found.push_back(hwnd);
        return TRUE;
    };
    if (filter.parent != nullptr) {
        EnumChildWindows(filter.parent, collect, reinterpret_cast<LPARAM>(&search));
    } else {
        EnumWindows(collect, reinterpret_cast<LPARAM>(&search));
    }
    return search.found;
}

Filter ParseFilter(int argc, wchar_t** argv, int from, DWORD* timeout) {
    Filter filter;
    for (int i = from; i < argc; ++i) {
        const std::wstring option = argv[i];
        const wchar_t* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (option == L"--title" && value) {
            filter.title = value;
            ++i;
        } else if (option == L"--class" && value) {
            filter.className = value;
            ++i;
        } else if (option == L"--parent" && value) {
            filter.parent = Handle(value);
            ++i;
        } else if (option == L"--timeout" && value && timeout) {
            *timeout = static_cast<DWORD>(Number(value));
            ++i;
        } else if (option == L"--visible") {
            filter.visibleOnly = true;
        }
    }
    return filter;
}

int Usage() {
    std::fputs("usage: wprobe find|wait|gone|info|children|send|post|click|clickitem|copydata|sendkey|settext|kill|focus|hold ...\n", stderr);
    return 2;
}

// Another program to hold the keyboard focus while global keys are typed. It has neither a
// menu bar nor a system menu, so F10 typed into it starts no menu mode that would capture
// the mouse and swallow the next click meant for some other window.
LRESULT CALLBACK HoldProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_KEYMENU) return 0;
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

int Hold(const wchar_t* title) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = HoldProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"VornFocusHolder";
    if (!RegisterClassW(&wc)) return 1;
    if (!CreateWindowExW(0, wc.lpszClassName, title, WS_POPUP | WS_BORDER | WS_VISIBLE, 200, 150, 480, 320, nullptr,
                         nullptr, wc.hInstance, nullptr)) {
        return 1;
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    const std::wstring command = argv[1];
    auto arg = [&](int i) -> const wchar_t* { return i < argc ? argv[i] : nullptr; };

    if (command == L"find" || command == L"wait") {
        DWORD timeout = 10000;
        const Filter filter = ParseFilter(argc, argv, 2, &timeout);
        const DWORD start = GetTickCount();
        for (;;) {
            const std::vector<HWND> found = FindWindows(filter);
            if (!found.empty() || command == L"find") {
                for (HWND hwnd : found) PrintLine(Describe(hwnd));
                return found.empty() ? 1 : 0;
            }
            if (GetTickCount() - start >= timeout) return 1;
            Sleep(50);
        }
    }
    if (command == L"gone") {
        DWORD timeout = 10000;
        ParseFilter(argc, argv, 3, &timeout);
        HWND hwnd = Handle(arg(2));
        const DWORD start = GetTickCount();
        while (IsWindow(hwnd)) {
            if (GetTickCount() - start >= timeout) return 1;
            Sleep(50);
        }
        return 0;
    }
    if (command == L"hold" && argc >= 3) return Hold(argv[2]);
    if (argc < 3) return Usage();
    HWND hwnd = Handle(argv[2]);
    if (!IsWindow(hwnd)) {
        std::fputs("no such window\n", stderr);
        return 3;
    }
    if (command == L"info") {
        PrintLine(Describe(hwnd));
        return 0;
    }
    if (command == L"children") {
        Filter all;
        all.parent = hwnd;
        for (HWND child : FindWindows(all)) PrintLine(Describe(child));
        return 0;
    }
    if ((command == L"send" || command == L"post") && argc >= 6) {
        // A message given by name is the registered message of that name.
        const UINT msg = iswdigit(argv[3][0]) ? static_cast<UINT>(Number(argv[3])) : RegisterWindowMessageW(argv[3]);
        const WPARAM wParam = static_cast<WPARAM>(Number(argv[4]));
        const LPARAM lParam = static_cast<LPARAM>(Number(argv[5]));
        if (command == L"post") return PostMessageW(hwnd, msg, wParam, lParam) ? 0 : 1;
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_NORMAL, 10000, &result)) return 1;
        std::printf("{\"result\": %lld}\n", static_cast<long long>(result));
        return 0;
    }
    if (command == L"click" && argc >= 5) {
        const LPARAM at = MAKELPARAM(static_cast<int>(Number(argv[3])), static_cast<int>(Number(argv[4])));
        PostMessageW(hwnd, WM_MOUSEMOVE, 0, at);
        PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(hwnd, WM_LBUTTONUP, 0, at);
        return 0;
    }
    if (command == L"clickitem" && argc >= 4) {
        HWND item = GetDlgItem(hwnd, static_cast<int>(Number(argv[3])));
        if (item == nullptr) return 1;
        return PostMessageW(item, BM_CLICK, 0, 0) ? 0 : 1;
    }
    if (command == L"copydata" && argc >= 4) {
        std::wstring text = argv[3];
        COPYDATASTRUCT data{0, static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), text.data()};
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(hwnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 10000, &result)) {
            return 1;
        }
        std::printf("{\"result\": %lld}\n", static_cast<long long>(result));
        return 0;
    }
    if (command == L"front" && argc >= 3) {
        const UINT flags = SWP_NOMOVE | SWP_NOSIZE;
        SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, flags);
        SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
        return SetForegroundWindow(hwnd) ? 0 : 1;
    }
    if (command == L"focus") {
        // What a key or click lands on next: the foreground window, and where the input of
        // HWND's thread goes (a menu mode or a capture swallows the next click).
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        const DWORD thread = GetWindowThreadProcessId(hwnd, nullptr);
        GetGUIThreadInfo(thread, &gui);
        // The modifiers as that thread sees them (its key state, shared while attached).
        const bool attached = AttachThreadInput(GetCurrentThreadId(), thread, TRUE) != FALSE;
        const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0, alt = GetKeyState(VK_MENU) < 0;
        if (attached) AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
        std::printf("{\"foreground\": %lld, \"root\": %lld, \"active\": %lld, \"focus\": %lld, "
                    "\"capture\": %lld, \"menumode\": %s, \"held\": \"%s%s%s\"}\n",
                    HandleValue(GetForegroundWindow()), HandleValue(GetAncestor(hwnd, GA_ROOT)),
                    HandleValue(gui.hwndActive), HandleValue(gui.hwndFocus), HandleValue(gui.hwndCapture),
                    (gui.flags & GUI_INMENUMODE) != 0 ? "true" : "false", ctrl ? "ctrl " : "", shift ? "shift " : "",
                    alt ? "alt" : "");
        return 0;
    }
    if (command == L"settext" && argc >= 5) {
        HWND item = GetDlgItem(hwnd, static_cast<int>(Number(argv[3])));
        DWORD_PTR result = 0;
        if (item == nullptr || !SendMessageTimeoutW(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]), SMTO_NORMAL,
                                                    10000, &result)) {
            return 1;
        }
        return 0;
    }
    if (command == L"kill") {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (process == nullptr) return 1;
        const BOOL ended = TerminateProcess(process, 9) && WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
        CloseHandle(process);
        return ended ? 0 : 1;
    }
    if (command == L"trayremove" && argc >= 4) {
        // What a restarting shell does to every icon: it is gone without its owner's word.
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = hwnd;
        data.uID = static_cast<UINT>(Number(argv[3]));
        return Shell_NotifyIconW(NIM_DELETE, &data) ? 0 : 1;
    }
    if (command == L"sendkey" && argc >= 4) {
        const WPARAM vk = static_cast<WPARAM>(Number(argv[3]));
        PostMessageW(hwnd, WM_KEYDOWN, vk, 1);
        PostMessageW(hwnd, WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u));
        return 0;
    }
    return Usage();
}
