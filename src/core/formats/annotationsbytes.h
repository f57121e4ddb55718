#pragma once

#include <QByteArrayView>

#include <functional>

struct AnnotationsFile;

// Reads annotations.xml as the tools write it straight from its bytes: ASCII
// text without carriage returns, an XML declaration naming UTF-8 (or none),
// unprefixed names, attribute values without references or line breaks, and
// only the five predefined entities in text. Fills the file's elements as
// the other readings of AnnotationsFile do and returns true; returns false,
// leaving the file to be read by them, at anything else (and so at every
// error), whatever it had read by then.
//
// With `whole`, it tells how many elements are whole as it goes on: the
// project and a folder once its start tag is read, any other element with
// everything it holds.
// Those elements do not change any more, but for their links to later ones
// (a folder's last child, an element's next sibling). When it gives up, the
// elements read are then left in the file (someone may be reading them).
bool readAnnotationsBytes(QByteArrayView bytes, AnnotationsFile &file,
                          const std::function<void(int whole)> &whole = {});
