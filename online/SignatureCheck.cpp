#include "online/SignatureCheck.h"

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

#include "common/ModulePath.h"
#include "common/TestSeam.h"

namespace vorn {

namespace {

// The trust library is looked up at the first check, from the system folder only: a copy
// beside the program (in a download folder, say) is never loaded.
struct TrustLibrary {
    decltype(&::WinVerifyTrust) verify = nullptr;
    decltype(&::WTHelperProvDataFromStateData) providerData = nullptr;
    decltype(&::WTHelperGetProvSignerFromChain) signer = nullptr;
    decltype(&::WTHelperGetProvCertFromChain) certificate = nullptr;

    TrustLibrary() {
        HMODULE module = LoadLibraryExW(L"wintrust.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (module == nullptr) return;
        Find(module, "WinVerifyTrust", &verify);
        Find(module, "WTHelperProvDataFromStateData", &providerData);
        Find(module, "WTHelperGetProvSignerFromChain", &signer);
        Find(module, "WTHelperGetProvCertFromChain", &certificate);
    }
    template <typename Function>
    static void Find(HMODULE module, const char* name, Function* out) {
        *out = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    bool ok() const { return verify != nullptr && providerData != nullptr && signer != nullptr && certificate != nullptr; }
};

const TrustLibrary& Trust() {
    static const TrustLibrary library;
    return library;
}

std::vector<std::uint8_t> Bytes(const BYTE* data, DWORD size) {
    return data != nullptr ? std::vector<std::uint8_t>(data, data + size) : std::vector<std::uint8_t>();
}

// The signing certificate's subject and key from the verified state; false when the state
// names no certificate.
bool ReadSigner(const TrustLibrary& trust, HANDLE state, SignerIdentity* out) {
    CRYPT_PROVIDER_DATA* provider = trust.providerData(state);
    CRYPT_PROVIDER_SGNR* signer = provider != nullptr ? trust.signer(provider, 0, FALSE, 0) : nullptr;
    CRYPT_PROVIDER_CERT* certificate = signer != nullptr ? trust.certificate(signer, 0) : nullptr;
    if (certificate == nullptr || certificate->pCert == nullptr || certificate->pCert->pCertInfo == nullptr) {
        return false;
    }
    const CERT_INFO& info = *certificate->pCert->pCertInfo;
    const CERT_PUBLIC_KEY_INFO& key = info.SubjectPublicKeyInfo;
    out->subject = Bytes(info.Subject.pbData, info.Subject.cbData);
    out->keyAlgorithm = key.Algorithm.pszObjId != nullptr ? key.Algorithm.pszObjId : "";
    out->keyParameters = Bytes(key.Algorithm.Parameters.pbData, key.Algorithm.Parameters.cbData);
    out->publicKey = Bytes(key.PublicKey.pbData, key.PublicKey.cbData);
    return !out->subject.empty() && !out->publicKey.empty();
}

}  // namespace

FileSignature ReadFileSignature(HANDLE file, const std::wstring& path) {
    FileSignature result;
    result.state = SignatureState::kInvalid;
    const TrustLibrary& trust = Trust();
    if (!trust.ok() || file == nullptr || file == INVALID_HANDLE_VALUE) return result;
    // The system reads the file through the handle, from its start.
    LARGE_INTEGER start{};
    SetFilePointerEx(file, start, nullptr, FILE_BEGIN);

    WINTRUST_FILE_INFO fileInfo{};
    fileInfo.cbStruct = sizeof fileInfo;
    fileInfo.pcwszFilePath = path.c_str();
    fileInfo.hFile = file;
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    // Nothing is fetched from the network to build the chain.
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE | WTD_CACHE_ONLY_URL_RETRIEVAL;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG status = trust.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    if (status == ERROR_SUCCESS) {
        if (ReadSigner(trust, data.hWVTStateData, &result.signer)) result.state = SignatureState::kValid;
    } else if (status == TRUST_E_NOSIGNATURE) {
        result.state = SignatureState::kUnsigned;
    }
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    trust.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return result;
}

FileSignature RunningProgramSignature() {
    const std::wstring self = GetModulePath(nullptr);
    KernelHandle file(CreateFileW(self.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    FileSignature result;
    // A program whose own file cannot be read cannot tell its publisher.
    result.state = SignatureState::kInvalid;
    if (self.empty() || !file) return result;
    return ReadFileSignature(file.get(), self);
}

KernelHandle HoldDownloadedFile(const std::wstring& path) {
    return KernelHandle(CreateFileW(path.c_str(), GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

DownloadTrust CheckHeldDownload(HANDLE file, const std::wstring& path) {
    const FileSignature running = RunningProgramSignature();
    // A development build reads no more than its own file.
    if (running.state == SignatureState::kUnsigned) return DownloadTrust::kAccepted;
    return JudgeDownload(running, ReadFileSignature(file, path));
}

bool RenameHeldFile(HANDLE file, const std::wstring& to, const char* step) {
    if (StepFailsForTest(step)) return false;
    const size_t nameBytes = to.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = TRUE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(nameBytes);
    memcpy(info->FileName, to.c_str(), nameBytes);
    return SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != FALSE;
}

bool DeleteHeldFile(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

}  // namespace vorn
