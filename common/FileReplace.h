#pragma once
// Replacing files so that an interruption at any point leaves either the old file or the
// new one, never a part of one; locks that several processes of the program share.
#include <windows.h>

#include <string>

#include "common/KernelHandle.h"

namespace vorn {

// The step a file replacement stopped at; kDone when the new file is in place.
enum class ReplaceStep { kDone, kRead, kWrite, kFlush, kRename };

// Copies `source` to a file beside `target` (its name + ".part"), flushes it to the disk and
// renames it over `target`. Every step is checked; on failure the partial copy is removed,
// `target` is as it was, and the system error of the failed step is kept. `stepName` names
// the steps for the test seam ("<stepName>.write", ".flush", ".rename").
ReplaceStep CopyIntoPlace(const std::wstring& source, const std::wstring& target, const char* stepName);

// Renames `from` to `to`, replacing `to`, and returns only once the rename is on the disk.
// `step` names it for the test seam.
bool MoveIntoPlace(const std::wstring& from, const std::wstring& to, const char* step);

// Makes `path` a folder that only administrators and the system may change, and everyone
// read and run what it holds, before the program writes, runs or loads anything there:
// created with those rights when missing; an existing one that is a redirection (junction,
// symbolic link) is refused; one that someone else owns or may write is taken over (owner
// the administrators, those rights, and the files directly inside made the administrators'
// too). True when the folder exists afterwards and is safe to use.
bool CreateProtectedFolder(const std::wstring& path);
// As CreateProtectedFolder, without creating a missing folder (true then: nothing to use).
bool SecureFolder(const std::wstring& path, bool create);
// The owner this process gives what it creates ("S-1-5-32-544", the administrators, when
// elevated), and the owner of a kernel object or file held open; empty when unknown.
std::string ElevatedOwnerSid();
std::string KernelObjectOwnerSid(HANDLE object);
// The folder rights as security descriptor text: protected (nothing inherited from the parent);
// system and administrators full control, everyone read and run
// (FILE_GENERIC_READ | FILE_GENERIC_EXECUTE); passed on to everything created inside.
inline constexpr wchar_t kProtectedFolderRights[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;WD)";

// A mutex shared by every process on the machine, held from construction (waiting at most
// `waitMs`) to destruction. A holder that ended without letting go (a killed process) does
// not block the next one.
class MachineLock {
public:
    MachineLock(const wchar_t* name, DWORD waitMs);
    ~MachineLock();
    MachineLock(const MachineLock&) = delete;
    MachineLock& operator=(const MachineLock&) = delete;
    bool held() const { return held_; }

private:
    KernelHandle mutex_;
    bool held_ = false;
};

// One update at a time: the check's configuration file and the downloaded executable beside
// the program are shared by every updater.
inline constexpr wchar_t kUpdateLockName[] = L"VornZelqa7Update";
// The counters' read-modify-write in Statistic.ini.
inline constexpr wchar_t kCounterLockName[] = L"VornZelqa7Counters";

}  // namespace vorn
