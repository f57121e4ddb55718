#include "socket.h"

#if 0
/* Old code, never compiled. */
#endif

int socket_open(const char *host, int port)
{
#ifdef HAVE_IPV6
    if (host[0] == '[')
        return 6;
#  if TRACE_LEVEL > 2 /* noisy */
    trace("ipv6", port);
#  endif
#endif
#ifndef NO_NETWORK
    return connect_to(host, port);
#else
    return -1;
#endif
}
