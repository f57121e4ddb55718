#pragma once

#include <QByteArray>
#include <QString>

// Every text file the viewer reads (feature model, sources, questions, study
// files) goes through this: the bytes up to the first NUL byte, decoded as
// UTF-8 when they are valid UTF-8 and as Latin-1 otherwise, so that both
// today's UTF-8 files and older 8-bit files read correctly.
QString decodeText(const QByteArray &bytes);

// Reads a whole file and decodes it as above; a missing or unreadable file
// reads as empty text.
QString readTextFile(const QString &path);
