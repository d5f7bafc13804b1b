#pragma once

namespace vorn {

// Gives the stack guard a random value. Called at the entry point, while no guarded
// function is running (a guarded caller would find its own guard changed on return).
void SetStackGuard();

}  // namespace vorn
