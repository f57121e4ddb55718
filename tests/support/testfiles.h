#pragma once

// Files on disk for tests, fuzz targets and the benchmark.

#include <QByteArray>
#include <QString>

namespace TestSupport {

// Writes bytes to path, creating its missing parent folders; false when the
// file could not be written completely.
bool writeFile(const QString &path, const QByteArray &bytes);

// The file's bytes, or whenMissing when it cannot be read. The default marker
// keeps a missing file apart from an empty one in a comparison.
QByteArray readFile(const QString &path, const QByteArray &whenMissing = "<missing>");

// Some bytes of every value, as a binary file or a damaged copy has them;
// the same bytes on every call.
QByteArray binaryBytes(int size = 4096);

} // namespace TestSupport
