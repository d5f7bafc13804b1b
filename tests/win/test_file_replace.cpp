#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>

#include "TempFolder.h"
#include "common/FileReplace.h"

using namespace vorn;

namespace {

bool IsWellKnown(PSID sid, WELL_KNOWN_SID_TYPE type) { return IsWellKnownSid(sid, type) != FALSE; }

// Rights that let a holder put a file or folder inside, or change the folder's rights.
constexpr DWORD kWriteRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_WRITE_ATTRIBUTES | FILE_WRITE_EA |
                               FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER | DELETE;

}  // namespace

TEST(ProtectedFolder, RightsLetOnlyAdministratorsAndTheSystemWriteAndEveryoneReadAndRun) {
    // What the rights text means, as the system reads it.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(kProtectedFolderRights, SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED) << "the parent's entries would be inherited";
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) && present && dacl != nullptr);
    ASSERT_EQ(dacl->AceCount, 3);
    int writers = 0;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
        ASSERT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Header.AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE),
                  OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
        PSID sid = &ace->SidStart;
        if (IsWellKnown(sid, WinLocalSystemSid) || IsWellKnown(sid, WinBuiltinAdministratorsSid)) {
            EXPECT_EQ(ace->Mask, static_cast<DWORD>(FILE_ALL_ACCESS));
            ++writers;
        } else {
            EXPECT_TRUE(IsWellKnown(sid, WinWorldSid));
            EXPECT_EQ(ace->Mask, static_cast<DWORD>(FILE_GENERIC_READ | FILE_GENERIC_EXECUTE));
            EXPECT_EQ(ace->Mask & kWriteRights, 0u);
        }
    }
    EXPECT_EQ(writers, 2);
    LocalFree(descriptor);

    // Applied to a folder it creates (Wine keeps file rights as Unix modes, so reading
    // them back there tells little more than that nobody else may write); an existing
    // folder is judged again, and a file is no folder.
    TempFolder temp(L"rights");
    const std::wstring folder = temp / L"Vorn";
    ASSERT_TRUE(CreateProtectedFolder(folder));
    PSECURITY_DESCRIPTOR stored = nullptr;
    PACL storedDacl = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &storedDacl, nullptr, &stored),
              static_cast<DWORD>(ERROR_SUCCESS));
    for (DWORD i = 0; storedDacl != nullptr && i < storedDacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        ASSERT_TRUE(GetAce(storedDacl, i, reinterpret_cast<void**>(&ace)));
        if (IsWellKnown(&ace->SidStart, WinWorldSid) || IsWellKnown(&ace->SidStart, WinBuiltinUsersSid) ||
            IsWellKnown(&ace->SidStart, WinAuthenticatedUserSid) || IsWellKnown(&ace->SidStart, WinCreatorOwnerSid)) {
            EXPECT_EQ(ace->Mask & kWriteRights, 0u) << "entry " << i << " lets others write";
        }
    }
    LocalFree(stored);
    EXPECT_TRUE(CreateProtectedFolder(folder));
    TempFolder::WriteFile(temp / L"File", "x");
    EXPECT_FALSE(CreateProtectedFolder(temp / L"File"));

    // One that someone else made first is made safe, and what they put inside stays a file
    // of the folder; a junction at the name is refused, and nothing is made behind it.
    const std::wstring theirs = temp / L"Theirs";
    ASSERT_TRUE(CreateDirectoryW(theirs.c_str(), nullptr));
    TempFolder::WriteFile(theirs + L"\\Zelqa7.exe", "MZ");
    EXPECT_TRUE(CreateProtectedFolder(theirs));
    EXPECT_TRUE(SecureFolder(theirs, false));
    EXPECT_EQ(TempFolder::ReadFile(theirs + L"\\Zelqa7.exe"), "MZ");
    EXPECT_TRUE(SecureFolder(temp / L"Missing", false));  // nothing there to use
    EXPECT_EQ(GetFileAttributesW((temp / L"Missing").c_str()), INVALID_FILE_ATTRIBUTES);
    const std::wstring elsewhere = temp / L"Elsewhere";
    ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
    const std::wstring link = temp / L"Link";
    if (TempFolder::MakeJunction(link, elsewhere)) {  // Wine 8 cannot make one (error 50)
        EXPECT_FALSE(CreateProtectedFolder(link));
        EXPECT_FALSE(SecureFolder(link, false));
    }
}
