/* Times a keyboard's key from its boot report, written on the gadget's side,
 * to the line a program logs for it: the report goes out, then the log file is
 * watched (inotify, so the watching costs the guest nothing while it waits)
 * until one more line holds the marker. Prints a "VM-FIGURE" line.
 *
 *   tkt_vm_key_timer BOOT_HIDG LOG_FILE MARKER REPORTS LABEL
 *
 * Reports alternate between a key down (A to Z in turn) and all keys up, 20 ms
 * apart as a quick typist's, so each makes exactly one key event.
 *
 * Lines that begin with the tool's time stamp ("yyyy-MM-dd hh:mm:ss.zzz", local
 * time) also tell when the program logged the key; a second line then splits
 * the time into report -> logged and logged -> in the file (the stamps have
 * milliseconds only).
 */
#define _GNU_SOURCE
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/inotify.h>
#include <time.h>
#include <unistd.h>

enum
{
    WaitMs = 3000,
    GapMs = 20
};

static double clockMs(clockid_t clock)
{
    struct timespec t;
    clock_gettime(clock, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

static double nowMs(void)
{
    return clockMs(CLOCK_MONOTONIC);
}

/* The line's leading time stamp in ms since the epoch; -1 without one. */
static double stampMs(const char *line)
{
    struct tm tm;
    memset(&tm, 0, sizeof tm);
    int ms = 0;
    const char *rest = strptime(line, "%Y-%m-%d %H:%M:%S", &tm);
    if (!rest || sscanf(rest, ".%3d", &ms) != 1)
        return -1;
    tm.tm_isdst = -1;
    return (double)mktime(&tm) * 1e3 + ms;
}

static int compare(const void *a, const void *b)
{
    const double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

static void printSpread(const char *what, const char *label, double *ms, int count, int lost)
{
    qsort(ms, (size_t)count, sizeof *ms, compare);
    const int p99 = count ? (count * 99 + 99) / 100 - 1 : 0;
    printf("VM-FIGURE %s: %s, %d reports: median %.2f ms, p99 %.2f ms, max %.2f ms, lost %d\n", label, what, count,
           count ? ms[count / 2] : 0.0, count ? ms[p99] : 0.0, count ? ms[count - 1] : 0.0, lost);
}

/* Reads what was appended since *offset; counts the whole lines that hold the
 * marker, and keeps the last of them in `last`. */
static int newMarkerLines(int log, off_t *offset, const char *marker, char *partial, size_t *kept, char *last)
{
    int found = 0;
    char chunk[4096];
    ssize_t n;
    while ((n = pread(log, chunk, sizeof chunk, *offset)) > 0) {
        *offset += n;
        for (ssize_t i = 0; i < n; ++i) {
            if (chunk[i] != '\n') {
                if (*kept < 1023)
                    partial[(*kept)++] = chunk[i];
                continue;
            }
            partial[*kept] = '\0';
            if (strstr(partial, marker)) {
                ++found;
                memcpy(last, partial, *kept + 1);
            }
            *kept = 0;
        }
    }
    return found;
}

int main(int argc, char **argv)
{
    if (argc != 6) {
        fprintf(stderr, "usage: %s BOOT_HIDG LOG_FILE MARKER REPORTS LABEL\n", argv[0]);
        return 2;
    }
    const char *marker = argv[3];
    const int reports = atoi(argv[4]);
    const int boot = open(argv[1], O_RDWR | O_NONBLOCK | O_CLOEXEC);
    const int log = open(argv[2], O_RDONLY | O_CLOEXEC);
    const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (boot < 0 || log < 0 || watch < 0 || inotify_add_watch(watch, argv[2], IN_MODIFY) < 0 || reports < 1) {
        perror("open");
        return 1;
    }
    off_t offset = lseek(log, 0, SEEK_END);
    char partial[1024], last[1024];
    size_t kept = 0;
    double *ms = calloc((size_t)reports, sizeof *ms);
    double *logged = calloc((size_t)reports, sizeof *logged);
    double *written = calloc((size_t)reports, sizeof *written);
    int timed = 0, stamped = 0, lost = 0;
    for (int i = 0; i < reports && ms && logged && written; ++i) {
        unsigned char report[8] = {0};
        if (i % 2 == 0)
            report[2] = (unsigned char)(0x04 + (i / 2) % 26);
        newMarkerLines(log, &offset, marker, partial, &kept, last);
        /* A report leaves once the host took the one before; nobody reading the keyboard takes none. */
        struct pollfd out = {boot, POLLOUT, 0};
        if (poll(&out, 1, WaitMs) <= 0) {
            ++lost;
            continue;
        }
        const double sentWall = clockMs(CLOCK_REALTIME);
        const double sent = nowMs();
        if (write(boot, report, sizeof report) != (ssize_t)sizeof report) {
            ++lost;
            continue;
        }
        int seen = 0;
        while (!seen && nowMs() - sent < WaitMs) {
            struct pollfd p = {watch, POLLIN, 0};
            if (poll(&p, 1, 100) > 0) {
                char events[4096];
                while (read(watch, events, sizeof events) > 0) {
                }
            }
            seen = newMarkerLines(log, &offset, marker, partial, &kept, last) > 0;
        }
        if (!seen) {
            ++lost;
            continue;
        }
        const double inFile = nowMs() - sent;
        ms[timed++] = inFile;
        const double stamp = stampMs(last);
        if (stamp >= 0) {
            logged[stamped] = stamp - sentWall;
            written[stamped++] = inFile - (stamp - sentWall);
        }
        usleep(GapMs * 1000);
    }
    printSpread("boot report on the gadget to its key line", argv[5], ms, timed, lost);
    if (stamped > 0) {
        printSpread("of that, report to the line's time stamp", argv[5], logged, stamped, lost);
        printSpread("and time stamp to the line in the file", argv[5], written, stamped, lost);
    }
    free(ms);
    free(logged);
    free(written);
    return lost == 0 && timed == reports ? 0 : 1;
}
