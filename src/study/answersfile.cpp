#include "answersfile.h"

#include <QSaveFile>

namespace AnswersFile {

QByteArray encode(const QStringList &answers)
{
    QString text;
    for (const QString &answer : answers) {
        text += answer;
        text += QLatin1Char('$');
    }
    text += QLatin1Char('\n');
    return text.toUtf8();
}

bool write(const QString &path, const QStringList &answers)
{
    // Unbuffered, so a write that fails (a full disk) is seen here and the
    // old file stays; a failed final flush of buffered data would go
    // unnoticed and commit an empty file in its place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray bytes = encode(answers);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QStringList pieces(const QString &text)
{
    QStringList result = text.split(QLatin1Char('$'));
    QString last = result.takeLast();
    if (last.trimmed().isEmpty())
        return result;
    if (last.endsWith(QLatin1Char('\n')))
        last.chop(1);
    result.append(last);
    return result;
}

QStringList distribute(const QStringList &pieces, int boxCount)
{
    if (boxCount <= 0)
        return {};
    if (pieces.size() <= boxCount)
        return pieces;
    QStringList result = pieces.mid(0, boxCount - 1);
    result.append(pieces.mid(boxCount - 1).join(QLatin1Char('$')));
    return result;
}

} // namespace AnswersFile
