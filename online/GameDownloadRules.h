#pragma once
// The game download dialog's decisions that need no window: which launcher names are
// accepted, where that launcher's configuration is published, and the label under the bar.
#include <string>
#include <string_view>

#include "online/SignatureRules.h"

namespace vorn {

// Letters, digits, "_" and "-", at least one: the name becomes a file name beside the
// executable and in the download folder, so it must name one file there and nothing else.
// A reserved device name ("NUL", "com1") is refused. The settings file's own name is refused, since the configuration is written under the
// name and removed again.
bool IsAcceptedLauncherName(std::u16string_view name);

// This launcher's configuration address with every "Zelqa7" in it replaced by the other
// launcher's name (letter case kept as given).
std::u16string OtherLauncherConfigUrl(std::u16string_view ownConfigUrl, std::u16string_view name);

// "已加载  50%": the label under the progress bar.
std::u16string DownloadedLabel(unsigned percent);

enum class GameDownloadOutcome {
    kNoConfiguration,  // the configuration step failed (or the name was refused): nothing downloaded
    kFailed,           // the installer did not arrive whole, or did not start
    kRefused,          // it arrived but its signature was refused; it has been deleted
    kStarted,
};

// The dialog's title at the end: "下载完成", or "下载失败" with the reason a signature was refused.
std::u16string GameDownloadTitle(GameDownloadOutcome outcome, DownloadTrust trust);

}  // namespace vorn
