#pragma once
// Work that waits (on the network, above all) done away from the window's thread, which
// also runs the keyboard hook and must never wait. The result is left in a slot shared by
// the worker and the window, and a posted message (wParam: the job's number) tells the
// window it is there. The window takes it only for its current job: the answer to a job
// it has given up, or a message forged by another process, finds nothing to take.
#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>

namespace vorn::launcher {

template <typename Result>
class BackgroundJob {
public:
    // Starts a job; a job already running is given up (its answer will be dropped).
    // False when no thread could be started.
    bool Start(HWND window, UINT message, std::function<Result()> work) {
        auto slot = std::make_shared<Slot>();
        slot->id = ++m_lastId;
        // On the process's thread pool, which runs already for the waits on the game
        // processes: a thread of the job's own would cost a new stack each time.
        auto* run = new std::function<void()>([slot, window, message, work = std::move(work)]() mutable {
            Result result = work();
            {
                std::lock_guard<std::mutex> lock(slot->mutex);
                slot->result = std::move(result);
            }
            PostMessageW(window, message, slot->id, 0);
        });
        if (!QueueUserWorkItem(&Run, run, WT_EXECUTELONGFUNCTION)) {
            delete run;
            return false;
        }
        m_current = std::move(slot);
        return true;
    }

    bool Running() const { return m_current != nullptr; }

    // On the job's message: its result, when the number is the current job's and the work
    // has finished; the job is then over.
    std::optional<Result> Take(WPARAM id) {
        if (m_current == nullptr || id != m_current->id) return std::nullopt;
        std::optional<Result> result;
        {
            std::lock_guard<std::mutex> lock(m_current->mutex);
            result = std::move(m_current->result);
        }
        if (result) m_current.reset();
        return result;
    }

    void Abandon() { m_current.reset(); }

private:
    static DWORD WINAPI Run(void* parameter) {
        std::unique_ptr<std::function<void()>> run(static_cast<std::function<void()>*>(parameter));
        (*run)();
        return 0;
    }

    struct Slot {
        std::mutex mutex;
        std::optional<Result> result;
        WPARAM id = 0;
    };
    std::shared_ptr<Slot> m_current;
    WPARAM m_lastId = 0;
};

}  // namespace vorn::launcher
