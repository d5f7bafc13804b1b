#pragma once
// Development builds let the end-to-end tests interrupt a named file step: make it fail,
// slow it down, or end the process right there as a kill would. This is how the tests show
// that no interruption leaves a half-done install, update or count. Release builds always
// answer "go on".
namespace vorn {

// Called just before the step named `step` (for example "install.rename"). Answers true
// when the step is to fail; the caller then fails it as the system would. Under a test
// that asks for it, pauses first or does not return at all.
//
// The test names its steps in the environment variable VORN_TEST_STEPS as
// "step=action" pairs separated by ";", with the actions fail, exit (the process ends with
// code 9, nothing cleaned up) and slow (half a second's pause).
bool StepFailsForTest(const char* step);

// A number the test may set for a step ("step=12"); `normal` otherwise.
int TestCountOr(const char* step, int normal);

}  // namespace vorn
