/*
 * chatsend: posts one message to a running chat server and exits.
 * Usage: chatsend name message [host]
 */
#include <netdb.h>
#include <stdio.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

#include "caesar.h"

#define DEFAULT_PORT "4711"
#define MAX_LINE 1024

static int connect_to(const char *host, const char *port)
{
    struct addrinfo hints, *found, *ai;
    int fd = -1;

    memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    if (getaddrinfo(host, port, &hints, &found) != 0)
        return -1;
    for (ai = found; ai; ai = ai->ai_next) {
        fd = socket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
        if (fd >= 0 && connect(fd, ai->ai_addr, ai->ai_addrlen) == 0)
            break;
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    freeaddrinfo(found);
    return fd;
}

int main(int argc, char **argv)
{
    const char *host = argc > 3 ? argv[3] : "localhost";
    char line[MAX_LINE];
    int fd, n;

    if (argc < 3 || argc > 4) {
        fprintf(stderr, "usage: %s name message [host]\n", argv[0]);
        return 2;
    }
    fd = connect_to(host, DEFAULT_PORT);
    if (fd < 0) {
        fprintf(stderr, "%s: cannot reach %s\n", argv[0], host);
        return 1;
    }
    n = snprintf(line, sizeof line, "HELLO %s\n%s\n", argv[1], argv[2]);
    if (n < 0 || n >= (int)sizeof line) {
        fprintf(stderr, "%s: message too long\n", argv[0]);
        close(fd);
        return 1;
    }
    caesar_encrypt(strchr(line, '\n') + 1, 3);
    if (write(fd, line, (size_t)n) != n) {
        perror("write");
        close(fd);
        return 1;
    }
    close(fd);
    return 0;
}
