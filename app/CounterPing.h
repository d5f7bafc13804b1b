#pragma once
// Counting a run in Statistic.ini of the data folder, and telling the service.
#include <windows.h>

#include "app/Counters.h"

namespace vorn {

// Adds one to the counter of the kind and answers the new value.
unsigned IncrementCounter(int kind);

// Starts a thread that sends the address as a usage ping; returns once the thread has
// taken its copy. The application's "done" event is set when the request has finished.
BOOL PingCounterUrl(const wchar_t* address);

// Increments the counter of the kind and pings its address with the new count.
void CountRunAndPing(int kind);

}  // namespace vorn
