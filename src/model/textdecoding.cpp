#include "textdecoding.h"

#include <QFile>
#include <QStringDecoder>

QString decodeText(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    const QByteArray text = nul < 0 ? bytes : bytes.left(nul);

    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8.decode(text);
    if (!utf8.hasError())
        return decoded;
    return QString::fromLatin1(text);
}

QString readTextFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return decodeText(file.readAll());
}
