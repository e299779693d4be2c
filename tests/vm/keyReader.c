/* The least a program can do with a keyboard's keys: read its input event
 * node and write one line per key event to a log file, each line with its own
 * write. The VM test times it beside the tool, on the same node and file
 * system, as the floor the tool's key path is measured against.
 *
 *   tkt_vm_key_reader EVENT_NODE LOG_FILE
 */
#include <fcntl.h>
#include <linux/input.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: %s EVENT_NODE LOG_FILE\n", argv[0]);
        return 2;
    }
    /* The log file appears once the node is open: then every key is read. */
    const int node = open(argv[1], O_RDONLY | O_CLOEXEC);
    const int log = node < 0 ? -1 : open(argv[2], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (node < 0 || log < 0) {
        perror("open");
        return 1;
    }
    struct input_event events[64];
    ssize_t n;
    while ((n = read(node, events, sizeof events)) > 0) {
        for (size_t i = 0; i < (size_t)n / sizeof events[0]; ++i) {
            if (events[i].type != EV_KEY || events[i].value > 1)
                continue;
            char line[64];
            const int length = snprintf(line, sizeof line, "key %u %d\n", events[i].code, events[i].value);
            if (write(log, line, (size_t)length) != length)
                return 1;
        }
    }
    return 0;
}
