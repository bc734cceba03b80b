/* Asks the Wine it runs under whether a serial port's event wait completes
 * through an I/O completion port, as Windows does and as Qt's serial port
 * relies on to hear incoming bytes. Run with COM1 on a line where bytes
 * arrive. Exit 0: it does; 1: it does not (the wait ends, but no completion
 * is queued); 2: the port cannot be used at all. Part of the test harness. */
#include <windows.h>
#include <stdio.h>

int main(void)
{
    HANDLE port = CreateFileA("\\\\.\\COM1", GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, NULL);
    if (port == INVALID_HANDLE_VALUE) {
        printf("COM1 does not open (error %lu)\n", GetLastError());
        return 2;
    }
    COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, 0};
    HANDLE completions = CreateIoCompletionPort(port, NULL, 1, 0);
    if (!SetCommTimeouts(port, &timeouts) || !SetCommMask(port, EV_RXCHAR) || !completions) {
        printf("COM1 refuses its settings (error %lu)\n", GetLastError());
        return 2;
    }
    OVERLAPPED wait;
    ZeroMemory(&wait, sizeof wait);
    DWORD events = 0;
    const BOOL done = WaitCommEvent(port, &events, &wait);
    if (!done && GetLastError() != ERROR_IO_PENDING) {
        printf("WaitCommEvent fails (error %lu)\n", GetLastError());
        return 2;
    }
    /* Finished at once: its completion is queued before the call returns.
     * Pending: it comes when the bytes are seen. */
    DWORD bytes = 0;
    ULONG_PTR key = 0;
    OVERLAPPED *finished = NULL;
    const BOOL queued = GetQueuedCompletionStatus(completions, &bytes, &key, &finished, done ? 0 : 20000);
    if (queued && finished == &wait) {
        printf("the serial event wait completes through the completion port\n");
        return 0;
    }
    printf("the serial event wait (%s, events 0x%lx) never reaches the completion port\n",
           done ? "finished at once" : "pending", events);
    return 1;
}
