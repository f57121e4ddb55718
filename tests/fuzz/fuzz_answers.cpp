// A participant's answers file as it may come back from a crash or an older
// version, read in memory: every answer read from it is saved again by the
// next page turn, whatever the number of answer boxes, and must then read
// back as it was, and escaping must never lose or add a character.

#include "fuzzsupport.h"

#include "core/formats/answersfile.h"

namespace {

// A byte order mark at the very start of the file is taken for the file's
// own, so one typed at the start of the first answer is not read back.
QStringList withoutLeadingMark(QStringList answers)
{
    if (!answers.isEmpty() && answers.first().startsWith(QChar(QChar::ByteOrderMark)))
        answers.first().remove(0, 1);
    return answers;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList pieces = AnswersFile::fromBytes(bytes);

    for (const QString &piece : pieces) {
        const QString stored = AnswersFile::escape(piece);
        fuzz::check(!stored.contains(QLatin1Char('$')), "an escaped answer holds a \"$\"");
        fuzz::check(AnswersFile::unescape(stored) == piece, "escaping changed an answer");
    }

    const int counts[] = {1, int(pieces.size()), int(pieces.size()) + 1};
    for (int boxes : counts) {
        if (boxes < 1)
            continue;
        const QStringList answers = AnswersFile::distribute(pieces, boxes);
        fuzz::check(answers.join(QLatin1Char('$')) == pieces.join(QLatin1Char('$')),
                    "text lost between the boxes");
        const QStringList again =
            AnswersFile::distribute(AnswersFile::fromBytes(AnswersFile::encode(answers)), boxes);
        fuzz::check(again == withoutLeadingMark(answers),
                    "a saved answer did not come back");
    }
    return 0;
}
