#pragma once

class ActivityLog;
namespace platform {
class ProcessList;
}

// 1 when a process runs under the market's gateway executable name "qel_ip_<market>.exe"
// (case ignored), 0 otherwise, for codes outside 1..7 and when the process list cannot be
// taken (logged).
// The machine's processes as the gateway check needs them: only names that begin with
// "qel_ip_" are looked at closely.
const platform::ProcessList& GatewayProcessList();

int qel_status_query(int marketCode, const platform::ProcessList& processes, ActivityLog& log);
