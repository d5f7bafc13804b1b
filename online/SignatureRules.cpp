#include "online/SignatureRules.h"

namespace vorn {

bool SamePublisher(const SignerIdentity& a, const SignerIdentity& b) {
    if (a.subject.empty() || a.publicKey.empty() || a.keyAlgorithm.empty()) return false;
    return a.subject == b.subject && a.keyAlgorithm == b.keyAlgorithm && a.keyParameters == b.keyParameters &&
           a.publicKey == b.publicKey;
}

DownloadTrust JudgeDownload(const FileSignature& running, const FileSignature& download) {
    switch (running.state) {
    case SignatureState::kUnsigned:
        return DownloadTrust::kAccepted;
    case SignatureState::kInvalid:
        return DownloadTrust::kPublisherUnknown;
    case SignatureState::kValid:
        break;
    }
    switch (download.state) {
    case SignatureState::kUnsigned:
        return DownloadTrust::kUnsigned;
    case SignatureState::kInvalid:
        return DownloadTrust::kInvalid;
    case SignatureState::kValid:
        break;
    }
    return SamePublisher(running.signer, download.signer) ? DownloadTrust::kAccepted : DownloadTrust::kOtherPublisher;
}

std::u16string_view RefusedDownloadText(DownloadTrust trust, bool update) {
    switch (trust) {
    case DownloadTrust::kAccepted:
        return {};
    case DownloadTrust::kUnsigned:
        return update ? u"下载的更新文件没有数字签名，已删除，本次未更新。" : u"安装程序没有数字签名";
    case DownloadTrust::kInvalid:
        return update ? u"下载的更新文件数字签名无效（文件可能已被篡改），已删除，本次未更新。" : u"安装程序的数字签名无效";
    case DownloadTrust::kOtherPublisher:
        return update ? u"下载的更新文件不是本登录器的发布者签名的，已删除，本次未更新。" : u"安装程序不是本登录器的发布者签名的";
    case DownloadTrust::kPublisherUnknown:
        return update ? u"登录器自身的数字签名无法验证，不能确认更新的来源，本次未更新。" : u"登录器自身的数字签名无法验证";
    }
    return {};
}

}  // namespace vorn
