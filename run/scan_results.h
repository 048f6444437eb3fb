// The receivers of the running scan's results besides the window and the report (the Event Log):
// the scan run adds them at its start and removes them at its end; the routines that act on a find
// hand each result to them.
#pragma once
#include "run/result_sink.h"

extern ResultFanOut g_scanResults;
