#include <gtest/gtest.h>

#include "online/GameDownloadRules.h"
#include "online/SignatureRules.h"

using namespace vorn;

namespace {

SignerIdentity Publisher(std::uint8_t subjectByte, std::uint8_t keyByte) {
    SignerIdentity id;
    id.subject = {0x30, 0x0b, subjectByte, 0x41, 0x42};
    id.keyAlgorithm = "1.2.840.113549.1.1.1";
    id.keyParameters = {0x05, 0x00};
    id.publicKey = {0x30, 0x82, keyByte, 0x0a};
    return id;
}

FileSignature Valid(const SignerIdentity& signer) { return {SignatureState::kValid, signer}; }
const FileSignature kUnsignedFile{SignatureState::kUnsigned, {}};
const FileSignature kBrokenFile{SignatureState::kInvalid, {}};

}  // namespace

TEST(DownloadSignature, OnlyThePublisherOfASignedProgramIsTrusted) {
    const SignerIdentity publisher = Publisher(1, 7);
    const FileSignature running = Valid(publisher);
    // A renewed certificate carries the same name and key: everything else about it (its
    // serial number, its dates) is not part of the identity.
    EXPECT_EQ(JudgeDownload(running, Valid(Publisher(1, 7))), DownloadTrust::kAccepted);
    // A certificate anyone can make with the publisher's name has another key.
    EXPECT_EQ(JudgeDownload(running, Valid(Publisher(1, 8))), DownloadTrust::kOtherPublisher);
    // The publisher's key under another name is another publisher too.
    EXPECT_EQ(JudgeDownload(running, Valid(Publisher(2, 7))), DownloadTrust::kOtherPublisher);
    SignerIdentity otherCurve = publisher;
    otherCurve.keyParameters = {0x06, 0x01};
    EXPECT_EQ(JudgeDownload(running, Valid(otherCurve)), DownloadTrust::kOtherPublisher);
    EXPECT_EQ(JudgeDownload(running, kUnsignedFile), DownloadTrust::kUnsigned);
    EXPECT_EQ(JudgeDownload(running, kBrokenFile), DownloadTrust::kInvalid);
    // A signature with nothing readable in it proves nothing, even against another such.
    EXPECT_EQ(JudgeDownload(Valid({}), Valid({})), DownloadTrust::kOtherPublisher);

    // A development build (unsigned) takes what it always took; a program whose own
    // signature fails cannot tell its publisher and takes nothing, not even a good file.
    EXPECT_EQ(JudgeDownload(kUnsignedFile, kUnsignedFile), DownloadTrust::kAccepted);
    EXPECT_EQ(JudgeDownload(kUnsignedFile, kBrokenFile), DownloadTrust::kAccepted);
    EXPECT_EQ(JudgeDownload(kBrokenFile, Valid(publisher)), DownloadTrust::kPublisherUnknown);

    // Every refusal has words of its own for the player, in both dialogs.
    for (DownloadTrust refusal : {DownloadTrust::kUnsigned, DownloadTrust::kInvalid, DownloadTrust::kOtherPublisher,
                                  DownloadTrust::kPublisherUnknown}) {
        EXPECT_FALSE(RefusedDownloadText(refusal, true).empty());
        EXPECT_EQ(GameDownloadTitle(GameDownloadOutcome::kRefused, refusal),
                  u"下载失败：" + std::u16string(RefusedDownloadText(refusal, false)));
    }
    EXPECT_EQ(GameDownloadTitle(GameDownloadOutcome::kStarted, DownloadTrust::kAccepted), u"下载完成");
    EXPECT_EQ(GameDownloadTitle(GameDownloadOutcome::kNoConfiguration, DownloadTrust::kAccepted), u"下载失败");
}
