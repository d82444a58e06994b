// Clock, message processing and the folders of the system as the program sees
// them on Linux:
// - the program folder is the folder of the running executable;
// - the user's application-data folder is $XDG_DATA_HOME, else ~/.local/share;
// - the temporary folder is $TMPDIR (a relative one taken from the current
//   folder), else /tmp;
// - the "Windows folder" is the XDG config home, the "system folder" /usr/lib.
// Every folder returned here ends in '/'; the program folder and the
// temporary folder are always absolute.
#pragma once

#include "platform/Cp1250.h"

#include <cstdint>
#include <functional>

namespace platform {

// Milliseconds since an arbitrary start, as a 32-bit count that wraps after
// about 49.7 days, like the system's tick count.
uint32_t GetTickCount();
// Tests replace the clock (an empty function restores the real one).
void SetTickSource(std::function<uint32_t()> source);

// Processes pending window messages (Qt events) when an application object
// exists; otherwise does nothing.
void ProcessMessages();

AnsiString ExecutableDir();
AnsiString UserAppDataDir();
AnsiString TempDir();
AnsiString WindowsDir();
AnsiString SystemDir();

} // namespace platform
