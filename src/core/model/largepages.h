#pragma once

#include <QList>

// Asks the system to back a large block of memory with large pages where it
// can: a table of hundreds of megabytes filled once is then touched in a
// few hundred steps instead of tens of thousands (each a fault, and costly
// in a virtual machine). Only a hint: nothing changes where it is not taken.
// False when there was no whole large page to advise or the system refused.
bool adviseLargePages(const void *data, qsizetype bytes);

// Gives the heap of the process large pages where the system grants them on
// request only: its first `bytes` of room are taken from the system at once
// (address space, nothing touched) and advised, and kept rather than handed
// back when freed memory lies at its end. For a process that builds large
// models of small blocks (nodes, rows, records); called first thing in
// main(), before any thread. Nothing changes where it is not taken. False
// when the room could not be taken (an allocator other than the system's,
// as under a sanitizer, or a system without large pages).
bool adviseLargePagesForHeap(qsizetype bytes);
// The room the viewer's start takes: what the largest product lines need.
constexpr qsizetype LargeHeap = qsizetype(512) * 1024 * 1024;

// The room a list has reserved, from its first element on.
template <typename T>
bool adviseLargePages(const QList<T> &list)
{
    return adviseLargePages(list.constData(), list.capacity() * qsizetype(sizeof(T)));
}
