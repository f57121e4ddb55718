#include "textdecoding.h"

#include <QFile>
#include <QStringDecoder>

namespace {

QString decodeWithoutMark(const QByteArray &bytes, bool *readAsLatin1 = nullptr)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(bytes);
    const bool latin1 = utf8.hasError();
    if (readAsLatin1)
        *readAsLatin1 = latin1;
    return latin1 ? QString::fromLatin1(bytes) : decoded;
}

// A missing or unreadable file reads as no bytes.
QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

QString decodeText(const QByteArray &bytes, NulCharacters nul, bool *readAsLatin1)
{
    if (readAsLatin1)
        *readAsLatin1 = false;
    QString text;
    const std::optional<QStringConverter::Encoding> marked =
        QStringConverter::encodingForData(bytes);
    if (marked && *marked != QStringConverter::Utf8) {
        // The decoder leaves the byte order mark out.
        QStringDecoder decoder(*marked);
        text = decoder.decode(bytes);
    } else if (nul == NulCharacters::EndText) {
        // Whatever follows the end does not decide the encoding.
        const qsizetype end = bytes.indexOf('\0');
        text = decodeWithoutMark(end < 0 ? bytes : bytes.left(end), readAsLatin1);
    } else {
        text = decodeWithoutMark(bytes, readAsLatin1);
    }

    switch (nul) {
    case NulCharacters::Replace:
        text.replace(QChar(QChar::Null), QChar(QChar::ReplacementCharacter));
        break;
    case NulCharacters::EndText:
        if (const qsizetype end = text.indexOf(QChar(QChar::Null)); end >= 0)
            text.truncate(end);
        break;
    }
    return text;
}

QString readTextFile(const QString &path, NulCharacters nul)
{
    return decodeText(readBytes(path), nul);
}

QString decodeStudyText(const QByteArray &bytes)
{
    QString text = decodeWithoutMark(bytes);
    text.remove(QChar(QChar::Null));
    return text;
}

QString readStudyFile(const QString &path)
{
    return decodeStudyText(readBytes(path));
}
