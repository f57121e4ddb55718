// answer-key.csv: reading anything must keep only rows that can score, and
// every row must score its own expected answer as correct.

#include "corefuzzsupport.h"

#include "core/formats/answerkey.h"

#include <QLocale>
#include <QSet>

namespace {

// An answer the row must count as correct, or null where none follows from
// the expected text alone (a pattern).
QString answerOf(const AnswerKey::Entry &entry)
{
    switch (entry.match) {
    case AnswerKey::Match::Exact:
    case AnswerKey::Match::Set:
        return entry.expected;
    case AnswerKey::Match::Any:
        for (const QString &alternative : entry.expected.split(QLatin1Char('|'))) {
            if (!alternative.simplified().isEmpty())
                return alternative;
        }
        return QString();
    case AnswerKey::Match::Number:
        return QLocale::c().toString(entry.number, 'g', 17);
    case AnswerKey::Match::Regex:
    case AnswerKey::Match::Manual:
        break;
    }
    return QString();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const AnswerKey::Reading reading = AnswerKey::read(text);
    corefuzz::checkPlaces(reading.problems, text, "a problem of the key points nowhere");

    QSet<QPair<int, int>> boxes;
    for (const AnswerKey::Entry &entry : reading.key.entries) {
        corefuzz::check(entry.task >= 1 && entry.question >= 1, "a box numbered below 1");
        corefuzz::check(!boxes.contains({entry.task, entry.question}), "a box scored twice");
        boxes.insert({entry.task, entry.question});
        corefuzz::check(entry.match != AnswerKey::Match::Regex || entry.pattern.isValid(),
                        "a pattern that does not compile was kept");
        corefuzz::check(entry.tolerance >= 0, "a negative tolerance was kept");

        const QString answer = answerOf(entry);
        if (!answer.isNull())
            corefuzz::check(AnswerKey::score(entry, answer) == AnswerKey::Verdict::Correct,
                            "a row does not accept its own expected answer");
        const AnswerKey::Verdict other = AnswerKey::score(entry, text.left(64));
        corefuzz::check((other == AnswerKey::Verdict::NotScored)
                            == (entry.match == AnswerKey::Match::Manual),
                        "only manual rows go unscored");
    }
    const QList<Diagnostic> missing = reading.key.checkAgainst({1, 0, 3});
    corefuzz::checkPlaces(missing, text, "a missing box points nowhere");
    return 0;
}
