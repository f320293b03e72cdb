/* The floor xkivctl is measured against: the least a client can do for the same work.
 *
 *   floor_client cat FILE             prints FILE, as a program that opens and prints
 *                                     one file does
 *   floor_client replay DEVICE LINES [WORK]
 *                                     sends each line of the file LINES to the camera
 *                                     on DEVICE and waits for its answer line; with
 *                                     WORK, before each line it also purges the input
 *                                     as xkivctl does (FIONREAD, then a read of what
 *                                     waits) and takes WORK steps of arithmetic
 *
 * Replaying costs a write, a poll and a read per exchange (more reads when an
 * answer arrives in pieces), and one more call with WORK. Exit status 0, or 1
 * on any failure (an answer missing for two seconds included). Plain C and
 * libc only, so that its start-up is the system's own.
 */
#define _DEFAULT_SOURCE
#include <fcntl.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

enum { kFileMax = 1 << 16, kAnswerMax = 4096, kAnswerWaitMs = 2000 };

static char file[kFileMax];

static long ReadWhole(const char* path) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    long size = 0;
    ssize_t got;
    while ((got = read(fd, file + size, sizeof file - 1 - (size_t)size)) > 0) {
        size += got;
    }
    close(fd);
    return got < 0 ? -1 : size;
}

static int Cat(const char* path) {
    const long size = ReadWhole(path);
    return size >= 0 && fwrite(file, 1, (size_t)size, stdout) == (size_t)size ? 0 : 1;
}

/* Raw 9600 8N1, as the camera's line runs. */
static int OpenLine(const char* device) {
    const int fd = open(device, O_RDWR | O_NOCTTY | O_CLOEXEC);
    struct termios settings;
    if (fd < 0 || tcgetattr(fd, &settings) != 0) {
        return -1;
    }
    cfmakeraw(&settings);
    cfsetspeed(&settings, B9600);
    settings.c_cflag |= CLOCAL | CREAD;
    return tcsetattr(fd, TCSANOW, &settings) == 0 ? fd : -1;
}

/* Waits for one answer line ending in CR LF. */
static int AwaitAnswer(int fd) {
    char answer[kAnswerMax];
    size_t length = 0;
    while (length < 2 || answer[length - 2] != '\r' || answer[length - 1] != '\n') {
        struct pollfd waitFor = {fd, POLLIN, 0};
        if (length == sizeof answer || poll(&waitFor, 1, kAnswerWaitMs) != 1) {
            return -1;
        }
        const ssize_t got = read(fd, answer + length, sizeof answer - length);
        if (got <= 0) {
            return -1;
        }
        length += (size_t)got;
    }
    return 0;
}

/* What an exchange of a client that does more than the floor adds before its
 * command: the purge's call, and steps of arithmetic in a dependent chain the
 * compiler cannot fold away (a few instructions each; lean_bench counts them). */
static unsigned PurgeAndWork(int fd, long work) {
    int waiting = 0;
    if (ioctl(fd, FIONREAD, &waiting) == 0 && waiting > 0) {
        char stale[kAnswerMax];
        (void)!read(fd, stale, (size_t)waiting < sizeof stale ? (size_t)waiting : sizeof stale);
    }
    unsigned x = (unsigned)waiting;
    for (long i = 0; i < work; ++i) {
        x = x * 7u + (unsigned)i;
        __asm__ volatile("" : "+r"(x));
    }
    return x;
}

static int Replay(const char* device, const char* lines, long work) {
    const long size = ReadWhole(lines);
    const int fd = OpenLine(device);
    if (size < 0 || fd < 0) {
        return 1;
    }
    file[size] = '\0';
    char command[kAnswerMax];
    for (const char* line = file; *line != '\0';) {
        const char* end = strchr(line, '\n');
        const size_t length = end != NULL ? (size_t)(end - line) : strlen(line);
        if (length + 2 > sizeof command) {
            return 1;
        }
        /* The command goes out as the camera expects it, ended by CR LF. */
        memcpy(command, line, length);
        memcpy(command + length, "\r\n", 2);
        if (work >= 0) {
            (void)PurgeAndWork(fd, work);
        }
        if (write(fd, command, length + 2) != (ssize_t)(length + 2) || AwaitAnswer(fd) != 0) {
            fprintf(stderr, "floor_client: no answer to %.*s\n", (int)length, line);
            return 1;
        }
        line += length + (end != NULL ? 1 : 0);
    }
    close(fd);
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 3 && strcmp(argv[1], "cat") == 0) {
        return Cat(argv[2]);
    }
    if ((argc == 4 || argc == 5) && strcmp(argv[1], "replay") == 0) {
        char* end = NULL;
        const long work = argc == 5 ? strtol(argv[4], &end, 10) : -1;
        if (argc == 5 && (end == argv[4] || *end != '\0' || work < 0)) {
            fputs("floor_client: WORK is a count of steps\n", stderr);
            return 2;
        }
        return Replay(argv[2], argv[3], work);
    }
    fputs("usage: floor_client cat FILE | floor_client replay DEVICE LINES [WORK]\n", stderr);
    return 2;
}
