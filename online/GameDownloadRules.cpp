#include "online/GameDownloadRules.h"

#include "common/DeviceNames.h"
#include "common/RunMode.h"
#include "common/TextNumbers.h"

namespace vorn {

namespace {

bool IsNameCharacter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
           c == u'-';
}

// The settings file beside the executable, without its ".ini".
constexpr std::u16string_view kSettingsFileStem = u"Statistic";

}  // namespace

bool IsAcceptedLauncherName(std::u16string_view name) {
    if (name.empty()) return false;
    for (char16_t c : name) {
        if (!IsNameCharacter(c)) return false;
    }
    return !EqualsIgnoreAsciiCase(name, kSettingsFileStem) && !IsReservedDeviceName(name);
}

std::u16string OtherLauncherConfigUrl(std::u16string_view ownConfigUrl, std::u16string_view name) {
    constexpr std::u16string_view kOwnTag = u"Zelqa7";
    std::u16string out;
    size_t from = 0;
    for (size_t at = ownConfigUrl.find(kOwnTag); at != std::u16string_view::npos;
         at = ownConfigUrl.find(kOwnTag, from)) {
        out.append(ownConfigUrl.substr(from, at - from));
        out.append(name);
        from = at + kOwnTag.size();
    }
    out.append(ownConfigUrl.substr(from));
    return out;
}

std::u16string DownloadedLabel(unsigned percent) {
    return u"已加载  " + FormatUnsigned(percent) + u"%";
}

std::u16string GameDownloadTitle(GameDownloadOutcome outcome, DownloadTrust trust) {
    if (outcome == GameDownloadOutcome::kStarted) return u"下载完成";
    if (outcome == GameDownloadOutcome::kRefused) return u"下载失败：" + std::u16string(RefusedDownloadText(trust, false));
    return u"下载失败";
}

}  // namespace vorn
