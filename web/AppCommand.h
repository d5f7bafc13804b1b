#pragma once
// The "app:" command protocol of the platform's pages, and the navigation filter of the
// HTML dialogs: what a page's address asks for, decided without the system. Positions are
// UTF-16 code units; every comparison is exact and case-sensitive.
#include <string>
#include <string_view>

namespace vorn {

// --- HTML dialogs -------------------------------------------------------------------------

enum class DialogNavigation {
    Proceed,  // leave the browser's decision alone
    Cancel,   // an "app:" command: never loaded
    Allow,    // a "javascript" address: explicitly allowed
};
DialogNavigation FilterDialogNavigation(std::u16string_view url);

// --- the login dialog ---------------------------------------------------------------------

enum class LoginCommand {
    NotACommand,  // does not begin with "app:": the navigation proceeds
    LoadGame,
    ExitGame,
    Minimize,
    Unknown,  // an "app:" address with another word: cancelled, nothing else
};

struct LoginRequest {
    LoginCommand command = LoginCommand::NotACommand;
    std::u16string accountPart;  // "loadgame" only, still encoded
    std::u16string gameUrl;      // "loadgame" only; may itself contain "|"
};

// "app:" at 0, the word at 6..13, and for "loadgame" the arguments from 15:
// account part "|" game URL.
LoginRequest ParseLoginCommand(std::u16string_view url);

// The game address a login hands to the game view, which runs elevated: only a web
// address (http or https, any letter case, no control characters) is navigated to; a
// "file:" or "javascript:" address from the page is a failed login.
bool IsGameAddress(std::u16string_view url);

// The account part as text: without "%" it is used unchanged; with "%" it is percent-
// encoded UTF-8, decoded here. At most 255 bytes of the encoded text are used, cut only
// between whole characters; invalid UTF-8 gives U+FFFD.
inline constexpr size_t kAccountPartBytes = 255;
std::u16string DecodeAccountPart(std::u16string_view part);

// server "服-" middle "-" account, cleaned: capital "S" removed from the server, and a
// middle holding "》" cut to the four characters after its "《".
struct AccountKey {
    std::u16string server;
    std::u16string middle;
    std::u16string account;
    // The tab title the launcher registers: server + "服-" + middle + "-" + account.
    std::u16string Key() const;
};
AccountKey SplitAccountPart(std::u16string_view decoded);

// "账号 <account> 已在 <server>服 登录，同一账号不能在一服重复登录"
std::u16string DuplicateLoginMessage(const AccountKey& key);

// --- the game view ------------------------------------------------------------------------

struct EnterGameRequest {
    bool isCommand = false;  // the address contains "app://entergame|": cancel it
    bool carryOut = false;   // the launcher name is acceptable
    std::u16string name;     // the launcher's file name without ".exe", first letter upper case
    std::u16string downloadPage;
};

// The argument is the address from position 16 on: name ["|" download page]. Every "/" is
// removed from the name. A name comes from a web page and becomes a file name in the data
// folder, so only letters, digits, "_" and "-" are accepted; anything else, and an empty
// name, is not carried out; nor is a reserved device name ("con", "COM1", ...). Only a
// lower-case ASCII letter is raised to upper case. A download page is handed to the shell
// to open, so one that a notice link could not be (not an http or https address, or with a
// blank, a quote or a control character) is replaced by the default.
EnterGameRequest ParseEnterGame(std::u16string_view url, std::u16string_view defaultDownloadPage);

bool IsAcceptableLauncherName(std::u16string_view name);

}  // namespace vorn
