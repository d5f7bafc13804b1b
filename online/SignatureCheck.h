#pragma once
// The system's verdict on a file's Authenticode signature, and the hold on a downloaded
// file from its check until it is started or renamed into place.
#include <windows.h>

#include <string>

#include "common/KernelHandle.h"
#include "online/SignatureRules.h"

namespace vorn {

// Verifies the signature of an open file (no user interface, no revocation lookups, no
// network) and reads its signer. `path` names the same file, for the system's records.
FileSignature ReadFileSignature(HANDLE file, const std::wstring& path);

// The running executable's signature, read from its file now.
FileSignature RunningProgramSignature();

// Opens a downloaded file for reading and for renaming or deleting it through this handle,
// sharing nothing but reading: while it is held nobody else can change, replace, rename or
// delete it, and the program can still start it. Empty on failure.
KernelHandle HoldDownloadedFile(const std::wstring& path);

// Judges a held download against the running program's publisher.
DownloadTrust CheckHeldDownload(HANDLE file, const std::wstring& path);

// Renames a held file through its handle, replacing `to`; `step` names it for the test seam.
bool RenameHeldFile(HANDLE file, const std::wstring& to, const char* step);

// Removes a held file: it goes when the last handle to it is closed.
bool DeleteHeldFile(HANDLE file);

}  // namespace vorn
