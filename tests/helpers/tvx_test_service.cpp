// A service whose answer to the stop control is chosen by its name:
//   tvxquick    stops at once
//   tvxpending  reports STOP_PENDING until it has been polled three times, then STOPPED
//   tvxrefuse   does not accept the stop control
//   tvxhang     stays in STOP_PENDING until the process is ended
// tvxpending counts polls through two named events: the test's pause routine sets
// Global\tvx_service_poll and waits for Global\tvx_service_ack, which the service sets after it
// has taken the poll (and, after the third, after it has reported STOPPED).
#include <windows.h>
#include <cstring>

namespace {

SERVICE_STATUS_HANDLE g_statusHandle = nullptr;
HANDLE g_stopRequested = nullptr;
char g_name[64];

void Report(DWORD state, DWORD accepted)
{
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = accepted;
    status.dwWaitHint = state == SERVICE_STOP_PENDING ? 60000 : 0;
    SetServiceStatus(g_statusHandle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, void*, void*)
{
    if (control == SERVICE_CONTROL_STOP) {
        if (std::strcmp(g_name, "tvxquick") == 0) {
            Report(SERVICE_STOPPED, 0);
        } else {
            Report(SERVICE_STOP_PENDING, 0);
        }
        SetEvent(g_stopRequested);
        return NO_ERROR;
    }
    return control == SERVICE_CONTROL_INTERROGATE ? NO_ERROR : ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD argc, char** argv)
{
    lstrcpynA(g_name, argc > 0 ? argv[0] : "", sizeof(g_name));
    g_stopRequested = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_statusHandle = RegisterServiceCtrlHandlerExA(g_name, Handler, nullptr);
    if (g_statusHandle == nullptr)
        return;
    bool refuses = std::strcmp(g_name, "tvxrefuse") == 0;
    Report(SERVICE_RUNNING, refuses ? 0 : SERVICE_ACCEPT_STOP);
    WaitForSingleObject(g_stopRequested, INFINITE);
    if (std::strcmp(g_name, "tvxquick") == 0) {
        // Returning ends the process, which under Wine may come before the control dispatcher has
        // answered the stop control, and ControlService then fails: seen once when the 32-bit side
        // ran emulated. The service has said it stopped; it lingers a moment as a real one would.
        Sleep(2000);
        return;
    }
    if (std::strcmp(g_name, "tvxpending") == 0) {
        HANDLE poll = OpenEventA(SYNCHRONIZE, FALSE, "Global\\tvx_service_poll");
        HANDLE ack = OpenEventA(EVENT_MODIFY_STATE, FALSE, "Global\\tvx_service_ack");
        for (int polls = 1; polls <= 3 && poll != nullptr && ack != nullptr; ++polls) {
            if (WaitForSingleObject(poll, 60000) != WAIT_OBJECT_0)
                break;
            if (polls == 3)
                Report(SERVICE_STOPPED, 0);
            SetEvent(ack);
        }
        return;
    }
    Sleep(INFINITE);  // tvxhang
}

}  // namespace

int main()
{
    char empty[] = "";
    SERVICE_TABLE_ENTRYA table[] = {{empty, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
