#pragma once
// Whose downloads the program runs: an update or another launcher's installer is taken only
// from the publisher that signed the running program. The signatures themselves are read
// and verified by the system (SignatureCheck); this decides what their results allow.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// The publisher a signature names, as its signing certificate encodes it. A renewed
// certificate of the same publisher keeps both; a certificate anyone can make with the
// publisher's name cannot have its key.
struct SignerIdentity {
    std::vector<std::uint8_t> subject;        // the subject name, encoded
    std::string keyAlgorithm;                 // the public key's algorithm, dotted identifier
    std::vector<std::uint8_t> keyParameters;  // the algorithm's parameters, encoded (a curve)
    std::vector<std::uint8_t> publicKey;      // the key's bits
};

enum class SignatureState {
    kUnsigned,  // the file carries no signature
    kValid,     // the system accepts the signature; signer names who made it
    kInvalid,   // a signature the system refuses: altered after signing, broken, untrusted
};

struct FileSignature {
    SignatureState state = SignatureState::kUnsigned;
    SignerIdentity signer;  // only for kValid
};

// Same subject and same public key (algorithm, parameters and bits); an empty subject or
// key matches nothing.
bool SamePublisher(const SignerIdentity& a, const SignerIdentity& b);

enum class DownloadTrust {
    kAccepted,
    kUnsigned,          // the download carries no signature
    kInvalid,           // its signature is refused by the system
    kOtherPublisher,    // signed, but not by the running program's publisher
    kPublisherUnknown,  // the running program's own signature does not verify
};

// What a download may be used for, given the running program's signature. An unsigned
// program (a development build) takes any download, as it always did; a signed one only
// downloads its own publisher signed. A program whose own signature does not verify cannot
// tell its publisher and takes nothing.
DownloadTrust JudgeDownload(const FileSignature& running, const FileSignature& download);

// The player's words for a refused download (empty for kAccepted): update true for an
// update of this program, false for another launcher's installer.
std::u16string_view RefusedDownloadText(DownloadTrust trust, bool update);

}  // namespace vorn
