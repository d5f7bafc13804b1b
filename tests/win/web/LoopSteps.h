#pragma once
// Runs test steps from inside whatever modal loop the code under test is in.
#include <windows.h>

#include <functional>

// Runs `step` from inside whatever loop is running (the dialog's, a message box's) every
// 50 ms until it answers true.
class LoopSteps {
public:
    explicit LoopSteps(std::function<bool()> step) {
        s_step = std::move(step);
        m_timer = SetTimer(nullptr, 0, 50, &LoopSteps::Tick);
    }
    ~LoopSteps() {
        KillTimer(nullptr, m_timer);
        s_step = nullptr;
    }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (s_step && !s_running) {
            s_running = true;
            if (s_step()) s_step = nullptr;
            s_running = false;
        }
    }
    static inline std::function<bool()> s_step;
    static inline bool s_running = false;
    UINT_PTR m_timer = 0;
};
