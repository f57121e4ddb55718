// A session file, also one edited by hand: reading must not crash, and what
// reads without error is written and read back unchanged.

#include "corefuzzsupport.h"

#include "core/formats/sessionfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const SessionFile::Reading reading = SessionFile::read(text, QStringLiteral("s.json"));
    corefuzz::checkPlaces(reading.problems, text, "a problem of the session points nowhere");
    if (!reading.usable())
        return 0;
    const SessionFile &session = reading.session;
    for (int task : session.taskOrder)
        corefuzz::check(task >= 1, "a task numbered below 1");
    const SessionFile::Reading again =
        SessionFile::read(session.toJson(), QStringLiteral("again.json"));
    corefuzz::check(again.problems.isEmpty(), "a session written again does not read");
    const SessionFile &back = again.session;
    corefuzz::check(back.account == session.account && back.user == session.user
                        && back.condition == session.condition
                        && back.taskOrder == session.taskOrder && back.number == session.number
                        && back.materials == session.materials
                        && back.sittings.size() == session.sittings.size(),
                    "a session reads back differently");
    for (qsizetype i = 0; i < back.sittings.size(); ++i) {
        // Times are written to the second: the start's second, the one
        // before it for a time before 1970 too (which toSecsSinceEpoch()
        // would round towards 1970).
        const qint64 start = session.sittings.at(i).start.toMSecsSinceEpoch();
        const qint64 second = start / 1000 - (start % 1000 < 0 ? 1 : 0);
        corefuzz::check(back.sittings.at(i).start.toMSecsSinceEpoch() == second * 1000,
                        "a sitting's start reads back differently");
        corefuzz::check(back.sittings.at(i).end.isValid() == session.sittings.at(i).end.isValid(),
                        "a sitting's end reads back differently");
    }
    return 0;
}
