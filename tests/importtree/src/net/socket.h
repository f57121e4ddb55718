/* A header as system headers are written: an include guard around it all. */
#ifndef NET_SOCKET_H
#define NET_SOCKET_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(HAVE_IPV6) && !defined(NO_NETWORK)
# define ADDRESS_SIZE 16
#elif HAVE_IPV4
# define ADDRESS_SIZE 4
#else
# error "no address family"
#endif

int socket_open(const char *host, \
                int port);

#ifdef __cplusplus
}
#endif

#endif /* NET_SOCKET_H */
