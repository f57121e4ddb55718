#pragma once

#include <QtGlobal>

#include <cstddef>

// How often bytes occur in a buffer, sixteen bytes at a time where the
// processor can: a file's line ends, the tags and attributes of a large
// document before it is read.
qint64 countByte(const char *data, std::size_t size, char byte);

struct ByteCounts
{
    qint64 first = 0;
    qint64 second = 0;
};
// Two bytes counted in one pass over the buffer.
ByteCounts countBytes(const char *data, std::size_t size, char first, char second);
