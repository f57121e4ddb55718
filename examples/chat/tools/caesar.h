#ifndef CHAT_CAESAR_H
#define CHAT_CAESAR_H

#include <ctype.h>

/* Shifts every ASCII letter of text by shift places, in place. */
static void caesar_encrypt(char *text, int shift)
{
    shift = ((shift % 26) + 26) % 26;
    for (; *text; ++text) {
        if (islower((unsigned char)*text))
            *text = (char)('a' + (*text - 'a' + shift) % 26);
        else if (isupper((unsigned char)*text))
            *text = (char)('A' + (*text - 'A' + shift) % 26);
    }
}

#endif
