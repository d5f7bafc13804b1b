#include "web/FavDlg.h"

#include <shlobj.h>

#include <cstdio>
#include <optional>
#include <string>

#include "web/FavoriteFile.h"
#include "web/WebText.h"

namespace {
constexpr UINT kFavoriteTemplate = 159;
constexpr int kNameBox = 1018;
}  // namespace

CFavDlg::CFavDlg(const std::wstring& name, const std::wstring& url, CWnd* parent)
    : CDialog(kFavoriteTemplate, parent), m_strName(name), m_strUrl(url) {}

BOOL CFavDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetDlgItemTextW(m_hWnd, kNameBox, m_strName.c_str());
    return TRUE;
}

void CFavDlg::OnOK() {
    CDialog::OnOK();  // ends the loop; the box can still be read
    wchar_t name[vorn::kFavoriteNameChars + 1] = {};
    GetDlgItemTextW(m_hWnd, kNameBox, name, static_cast<int>(std::size(name)));
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_FAVORITES, nullptr, SHGFP_TYPE_CURRENT, folder))) return;
    WriteFavorite(folder, name, m_strUrl);
}

BOOL CFavDlg::WriteFavorite(const std::wstring& folder, const std::wstring& name, const std::wstring& url) {
    const std::wstring path = folder + L"\\" + vorn::WideOf(vorn::FavoriteFileName(vorn::U16View(name)));
    // A cut path would name another file.
    if (folder.empty() || path.size() >= MAX_PATH) return FALSE;
    const std::optional<std::u16string> fileText = vorn::FavoriteFileText(vorn::U16View(url));
    if (!fileText) return FALSE;  // no file at all rather than one with lines of the page's own
    const std::wstring text = vorn::WideOf(*fileText);
    const int bytes =
        WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return FALSE;
    std::string ansi(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), ansi.data(), bytes, nullptr, nullptr);
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (file == nullptr) return FALSE;
    const bool written = std::fwrite(ansi.data(), 1, ansi.size(), file) == ansi.size();
    return (std::fclose(file) == 0 && written) ? TRUE : FALSE;
}
