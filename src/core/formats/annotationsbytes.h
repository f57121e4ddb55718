#pragma once

#include <QByteArrayView>

struct AnnotationsFile;

// Reads annotations.xml as the tools write it straight from its bytes: ASCII
// text without carriage returns, an XML declaration naming UTF-8 (or none),
// unprefixed names, attribute values without references or line breaks, and
// only the five predefined entities in text. Fills the file's elements as
// the other readings of AnnotationsFile do and returns true; returns false,
// leaving the file to be read by them, at anything else (and so at every
// error), whatever it had read by then.
bool readAnnotationsBytes(QByteArrayView bytes, AnnotationsFile &file);
