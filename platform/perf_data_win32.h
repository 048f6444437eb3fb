// The process list of the performance data, read from the running system (Win32 side of the
// parser in platform/process_list.*).
#pragma once
#include "platform/process_list.h"

// Rows of the performance data's process list, at most maxTasks; 0 rows when any step fails or
// the data is malformed.
int ReadPerfDataTasks(TaskEntry* tasks, int maxTasks);
