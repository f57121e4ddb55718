#pragma once

#include <QList>

// Asks the system to back a large block of memory with large pages where it
// can: a table of hundreds of megabytes filled once is then touched in a
// few hundred steps instead of tens of thousands (each a fault, and costly
// in a virtual machine). Only a hint: nothing changes where it is not taken.
void adviseLargePages(const void *data, qsizetype bytes);

// The room a list has reserved, from its first element on.
template <typename T>
void adviseLargePages(const QList<T> &list)
{
    adviseLargePages(list.constData(), list.capacity() * qsizetype(sizeof(T)));
}
