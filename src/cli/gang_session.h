#pragma once
// A gang run: one image into many interfaces at once, each through its own
// instance of the dialog logic on its own thread, as if each had its own
// window. A device that fails never stops or slows the others.

#include "cli/console_session.h"
#include "cli/options.h"
#include "wizard/stop_request.h"

namespace cli {

// 0 when every device succeeded, kExitSomeFailed otherwise (each device's
// own status is in the summary and its record); a refusal before any port
// opened has its own status.
int RunGang(const Options& options, const ConsoleStreams& streams, const wizard::StopRequest* stop);

}  // namespace cli
