// Plays a game process for the launcher tests. The launcher starts it with the command
// line it builds for a game process ("<path>" /newgm /<launcher window> /<tab count>);
// it then waits for the test to tell it, through WM_COPYDATA text to its hidden control
// window, what a game process would do next, and records what it sends and receives in
// child-<pid>.txt (in VORN_TAB_CHILD_DIR, else beside this program), one line per event:
//   cmdline <text> | launcher <hwnd> | control <hwnd> | copydata <title> <reply>
//   frame <hwnd> | bad <reply> <reply> <reply> | msg <message> <wParam> <lParam> | sound <0/1>
//   closing <visible 0/1> <parent> (the frame's state when its close request arrives)
// Commands: "hold" (disable the launcher window, as the login dialog it owns does while it
// is up), "login T" (register T as the login does, naming no window, then on acceptance
// give the launcher back and make a tab window), "register T" (only register T), "frame",
// "page" (a page window), "announce" (announce the frame again), "cancel" (a cancelled
// login), "exit" (die at once), "badcopy" (malformed copy-data messages), "answers W N"
// (N add-account answers W posted at once, as a hostile process could), "stay" (outlive the
// launcher, as a login dialog does: only the game window watches its launcher).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr UINT kWindowArrived = WM_USER + 2, kSoundState = WM_USER + 5, kAddAccountAnswer = WM_USER + 6,
               kReloadHotKeys = WM_USER + 7;
constexpr UINT kDie = WM_APP + 1;
constexpr UINT_PTR kWatchTimer = 2, kPlaceTimer = 3;

HWND g_launcher = nullptr;
HWND g_control = nullptr;
HWND g_frame = nullptr;
bool g_holding = false;
std::wstring g_record;
int g_lastSound = -1;

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

void Record(const std::wstring& line) {
    HANDLE file = CreateFileW(g_record.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string bytes = Utf8(line) + "\n";
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::wstring Number(long long value) { return std::to_wstring(value); }
long long HandleValue(HWND hwnd) { return static_cast<long long>(reinterpret_cast<INT_PTR>(hwnd)); }

// As the login does: wParam 0, so that the launcher pairs the title with its only game
// process still logging in.
LRESULT SendTitle(const std::wstring& title) {
    COPYDATASTRUCT data{0, static_cast<DWORD>((title.size() + 1) * sizeof(wchar_t)), const_cast<wchar_t*>(title.c_str())};
    DWORD_PTR reply = 0;
    SendMessageTimeoutW(g_launcher, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                        SMTO_NORMAL, 10000, &reply);
    Record(L"copydata " + title + L" " + Number(static_cast<long long>(reply)));
    return static_cast<LRESULT>(reply);
}

void CreateFrame(LPARAM isPage) {
    if (g_frame == nullptr) {
        g_frame = CreateWindowExW(WS_EX_TOOLWINDOW, L"VornTabChildFrame", L"Vorn - Mirelund", WS_POPUP | WS_CLIPCHILDREN,
                                  0, 0, 10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    Record(L"frame " + Number(HandleValue(g_frame)));
    // As a game window does while it is created: announce, then move into the launcher.
    PostMessageW(g_launcher, kWindowArrived, reinterpret_cast<WPARAM>(g_frame), isPage);
    SetParent(g_frame, g_launcher);
    // The game page places and shows its window once the page has loaded.
    SetTimer(g_frame, kPlaceTimer, 500, nullptr);
}

void SendMalformed() {
    // No terminator within the data; an odd size; no data at all.
    static const wchar_t unterminated[] = {L'B', L'A', L'D', L'!'};
    static const wchar_t odd[] = L"ODD";
    COPYDATASTRUCT cases[] = {
        {0, sizeof unterminated, const_cast<wchar_t*>(unterminated)},
        {0, 5, const_cast<wchar_t*>(odd)},
        {0, 0, nullptr},
    };
    std::wstring line = L"bad";
    for (auto& data : cases) {
        DWORD_PTR reply = 99;
        SendMessageTimeoutW(g_launcher, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 10000, &reply);
        line += L" " + Number(static_cast<long long>(reply));
    }
    Record(line);
}

void Command(const std::wstring& text) {
    const size_t space = text.find(L' ');
    const std::wstring verb = text.substr(0, space);
    const std::wstring argument = space == std::wstring::npos ? L"" : text.substr(space + 1);
    if (verb == L"hold") {
        g_holding = true;
        EnableWindow(g_launcher, FALSE);
    } else if (verb == L"login") {
        if (SendTitle(argument)) {
            if (g_holding) EnableWindow(g_launcher, TRUE);  // the login dialog ends
            g_holding = false;
            CreateFrame(0);
        }
    } else if (verb == L"register") {
        SendTitle(argument);
    } else if (verb == L"frame") {
        CreateFrame(0);
    } else if (verb == L"page") {
        CreateFrame(1);
    } else if (verb == L"announce" && g_frame != nullptr) {
        PostMessageW(g_launcher, kWindowArrived, reinterpret_cast<WPARAM>(g_frame), 0);
    } else if (verb == L"cancel") {
        PostMessageW(g_launcher, WM_SYSCOMMAND, SC_CLOSE, 7261);
        PostMessageW(g_control, kDie, 0, 0);
    } else if (verb == L"stay") {
        KillTimer(g_control, kWatchTimer);
    } else if (verb == L"exit") {
        PostMessageW(g_control, kDie, 0, 0);
    } else if (verb == L"badcopy") {
        SendMalformed();
    } else if (verb == L"answers") {
        const size_t gap = argument.find(L' ');
        const WPARAM answer = static_cast<WPARAM>(_wtoi(argument.c_str()));
        const int count = gap == std::wstring::npos ? 1 : _wtoi(argument.c_str() + gap + 1);
        for (int i = 0; i < count; ++i) PostMessageW(g_launcher, kAddAccountAnswer, answer, 0);
    }
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data == nullptr || data->lpData == nullptr) return FALSE;
        Command(std::wstring(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t)).c_str());
        return TRUE;
    }
    case WM_TIMER:
        // A game process ends when its launcher is gone.
        if (wParam == kWatchTimer && !IsWindow(g_launcher)) ExitProcess(0);
        return 0;
    case kDie:
        ExitProcess(0);
    default:
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
        Record(L"msg " + Number(msg) + L" " + Number(static_cast<long long>(wParam)) + L" " + Number(lParam));
        return 0;
    case WM_SYSCOMMAND:
        Record(L"msg " + Number(msg) + L" " + Number(static_cast<long long>(wParam)) + L" " + Number(lParam));
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            Record(L"closing " + Number(IsWindowVisible(hwnd) ? 1 : 0) + L" " + Number(HandleValue(GetParent(hwnd))));
            DestroyWindow(hwnd);
            PostQuitMessage(0);
            return 0;
        }
        break;
    case kSoundState:
        if (static_cast<int>(wParam) != g_lastSound) Record(L"sound " + Number(static_cast<long long>(wParam)));
        g_lastSound = static_cast<int>(wParam);
        return 0;
    case kReloadHotKeys:
        Record(L"msg " + Number(msg) + L" 0 0");
        return 0;
    case WM_TIMER:
        if (wParam == kPlaceTimer) {
            KillTimer(hwnd, kPlaceTimer);
            RECT client{};
            GetClientRect(g_launcher, &client);
            MoveWindow(hwnd, 4, 30, client.right - 8, client.bottom - 34, TRUE);
            ShowWindow(hwnd, SW_SHOW);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void RegisterWindowClass(const wchar_t* name, WNDPROC proc) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

}  // namespace

int wmain() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    // The number arguments are read from their second character on, as the program does.
    if (argc >= 4 && _wcsicmp(argv[1], L"/newgm") == 0) {
        g_launcher = reinterpret_cast<HWND>(static_cast<INT_PTR>(_wtoi(argv[2] + 1)));
    }
    wchar_t folder[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"VORN_TAB_CHILD_DIR", folder, MAX_PATH) == 0) {
        GetModuleFileNameW(nullptr, folder, MAX_PATH);
        if (wchar_t* slash = wcsrchr(folder, L'\\')) *slash = L'\0';
    }
    g_record = std::wstring(folder) + L"\\child-" + Number(GetCurrentProcessId()) + L".txt";

    RegisterWindowClass(L"VornTabChild", ControlProc);
    RegisterWindowClass(L"VornTabChildFrame", FrameProc);
    g_control = CreateWindowExW(0, L"VornTabChild", (L"tab child " + Number(GetCurrentProcessId())).c_str(), WS_POPUP,
                                0, 0, 1, 1, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    Record(L"cmdline " + std::wstring(GetCommandLineW()));
    Record(L"launcher " + Number(HandleValue(g_launcher)));
    Record(L"control " + Number(HandleValue(g_control)));
    SetTimer(g_control, kWatchTimer, 800, nullptr);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
