#include "common/FileReplace.h"

#include <vector>

#include "common/TestSeam.h"

namespace vorn {

namespace {

// The failed step's answer, after the partial copy has gone (the step's error kept).
ReplaceStep Failed(ReplaceStep step, KernelHandle& partial, const std::wstring& partialPath) {
    const DWORD error = GetLastError();
    partial.Close();
    DeleteFileW(partialPath.c_str());
    SetLastError(error);
    return step;
}

}  // namespace

ReplaceStep CopyIntoPlace(const std::wstring& source, const std::wstring& target, const char* stepName) {
    const std::string step(stepName != nullptr ? stepName : "copy");
    const std::wstring partialPath = target + L".part";
    KernelHandle in(CreateFileW(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!in.ok() || !GetFileSizeEx(in.get(), &size)) return ReplaceStep::kRead;

    KernelHandle out(CreateFileW(partialPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr));
    if (!out.ok()) return Failed(ReplaceStep::kWrite, out, partialPath);
    std::vector<char> block(64 * 1024);
    long long copied = 0;
    bool halfwaySeen = false;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in.get(), block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) {
            return Failed(ReplaceStep::kRead, out, partialPath);
        }
        if (got == 0) break;
        DWORD written = 0;
        if (!WriteFile(out.get(), block.data(), got, &written, nullptr) || written != got) {
            if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_WRITE_FAULT);
            return Failed(ReplaceStep::kWrite, out, partialPath);
        }
        copied += got;
        // Half the file on the disk: where a kill used to leave a cut executable behind.
        if (!halfwaySeen && copied * 2 >= size.QuadPart) {
            halfwaySeen = true;
            if (StepFailsForTest((step + ".write").c_str())) return Failed(ReplaceStep::kWrite, out, partialPath);
        }
    }
    if (copied != size.QuadPart) {
        SetLastError(ERROR_HANDLE_EOF);  // the source changed while it was read
        return Failed(ReplaceStep::kRead, out, partialPath);
    }
    if (StepFailsForTest((step + ".flush").c_str()) || !FlushFileBuffers(out.get())) {
        return Failed(ReplaceStep::kFlush, out, partialPath);
    }
    if (!out.Close()) return Failed(ReplaceStep::kFlush, out, partialPath);
    if (!MoveIntoPlace(partialPath, target, (step + ".rename").c_str())) {
        return Failed(ReplaceStep::kRename, out, partialPath);
    }
    return ReplaceStep::kDone;
}

bool MoveIntoPlace(const std::wstring& from, const std::wstring& to, const char* step) {
    if (StepFailsForTest(step)) return false;
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

MachineLock::MachineLock(const wchar_t* name, DWORD waitMs) {
    // Every session of the machine shares the data folder, so the lock is machine-wide;
    // without the right to create a global name, the session's own is the best there is.
    for (const wchar_t* scope : {L"Global\\", L"Local\\"}) {
        mutex_.Attach(CreateMutexW(nullptr, FALSE, (std::wstring(scope) + name).c_str()));
        if (mutex_) break;
    }
    if (!mutex_) return;
    const DWORD wait = WaitForSingleObject(mutex_.get(), waitMs);
    held_ = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
}

MachineLock::~MachineLock() {
    if (held_) ReleaseMutex(mutex_.get());
}

}  // namespace vorn
