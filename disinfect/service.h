// The service named after an infected file: stopped, then its keys removed.
#pragma once
#include <windows.h>

// Service stop and key removal (memory scan on NT 5.x and earlier).
int StopService(const char* serviceName);
// StopService with the pause between status polls given (tests count the pauses).
typedef void (*PauseRoutine)(DWORD milliseconds);
int StopServiceWith(const char* serviceName, PauseRoutine pause);
// Pauses of 1000 ms granted to a service that stays in STOP_PENDING: about 30 seconds.
const int kStopPendingPolls = 30;
class QuarantineScan;
// Deletes the service's keys in both numbered control sets; 1 when some key was deleted. keep, when
// given, first keeps each control set's key whole, under detection.
int RemoveServiceKeys(const char* serviceName, QuarantineScan* keep = nullptr, const char* detection = "");
