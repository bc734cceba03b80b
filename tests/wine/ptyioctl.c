/* Preloaded into Wine when a Windows program talks to a pseudo-terminal as
 * its COM port. Wine's serial driver waits for bytes by asking the device for
 * its modem lines (TIOCMGET) and interrupt counters (TIOCGICOUNT); a
 * pseudo-terminal refuses both, so every wait would end at once and the port
 * would be reported broken. On a pseudo-terminal this answers them as a cable
 * with every line up would: the modem lines DSR, CTS, CD, DTR and RTS; as the
 * receive counter the bytes waiting to be read; and setting the lines is
 * accepted. Every other descriptor and request goes to the C library.
 * Part of the test harness, never shipped. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <linux/serial.h>
#include <stdarg.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

/* Pseudo-terminal slaves are the character devices with majors 136-143. */
static int is_pty(int fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143;
}

int ioctl(int fd, unsigned long request, ...)
{
    static ioctl_fn next;
    va_list args;
    void *arg;

    va_start(args, request);
    arg = va_arg(args, void *);
    va_end(args);
    if (!next)
        next = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");

    if (request == TIOCMGET || request == TIOCGICOUNT || request == TIOCMSET || request == TIOCMBIS
        || request == TIOCMBIC) {
        if (is_pty(fd)) {
            if (request == TIOCMGET) {
                *(int *)arg = TIOCM_DSR | TIOCM_CTS | TIOCM_CD | TIOCM_DTR | TIOCM_RTS;
            } else if (request == TIOCGICOUNT) {
                struct serial_icounter_struct *counts = arg;
                int waiting = 0;
                if (next(fd, FIONREAD, &waiting) != 0)
                    return -1;
                memset(counts, 0, sizeof *counts);
                counts->rx = waiting;
            }
            return 0;
        }
    }
    return next(fd, request, arg);
}
