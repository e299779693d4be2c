/* Times a keyboard's key from its boot report, written on the gadget's side,
 * to the line a program logs for it: the report goes out, then the log file is
 * watched (inotify, so the watching costs the guest nothing while it waits)
 * until one more line holds the marker. Prints a "VM-FIGURE" line.
 *
 *   tkt_vm_key_timer BOOT_HIDG LOG_FILE MARKER REPORTS LABEL
 *
 * Reports alternate between a key down (A to Z in turn) and all keys up, 20 ms
 * apart as a quick typist's, so each makes exactly one key event.
 */
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

static double nowMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

static int compare(const void *a, const void *b)
{
    const double x = *(const double *)a, y = *(const double *)b;
    return (x > y) - (x < y);
}

/* Reads what was appended since *offset; counts the whole lines that hold the marker. */
static int newMarkerLines(int log, off_t *offset, const char *marker, char *partial, size_t *kept)
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
            found += strstr(partial, marker) != NULL;
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
    char partial[1024];
    size_t kept = 0;
    double *ms = calloc((size_t)reports, sizeof *ms);
    int timed = 0, lost = 0;
    for (int i = 0; i < reports && ms; ++i) {
        unsigned char report[8] = {0};
        if (i % 2 == 0)
            report[2] = (unsigned char)(0x04 + (i / 2) % 26);
        newMarkerLines(log, &offset, marker, partial, &kept);
        /* A report leaves once the host took the one before; nobody reading the keyboard takes none. */
        struct pollfd out = {boot, POLLOUT, 0};
        if (poll(&out, 1, WaitMs) <= 0) {
            ++lost;
            continue;
        }
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
            seen = newMarkerLines(log, &offset, marker, partial, &kept) > 0;
        }
        if (seen)
            ms[timed++] = nowMs() - sent;
        else
            ++lost;
        usleep(GapMs * 1000);
    }
    qsort(ms, (size_t)timed, sizeof *ms, compare);
    const int p99 = timed ? (timed * 99 + 99) / 100 - 1 : 0;
    printf("VM-FIGURE %s: boot report on the gadget to its key line, %d reports: median %.2f ms, p99 %.2f ms, "
           "max %.2f ms, lost %d\n",
           argv[5], timed, timed ? ms[timed / 2] : 0.0, timed ? ms[p99] : 0.0, timed ? ms[timed - 1] : 0.0, lost);
    free(ms);
    return lost == 0 && timed == reports ? 0 : 1;
}
