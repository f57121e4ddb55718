// A view file as a crash or a disk may leave it: reading keeps the rows that
// read, and every row written again reads back the same.

#include "corefuzzsupport.h"

#include "core/formats/viewfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const ViewFile::Reading reading = ViewFile::read(bytes, QStringLiteral("p_u_view.csv"));
    for (const Diagnostic &problem : reading.problems)
        corefuzz::check(problem.line >= 1 && problem.severity == Diagnostic::Severity::Warning,
                        "a problem of the view file that is no warning of a line");

    QByteArray written = ViewFile::Header;
    for (const ViewFile::Row &row : reading.rows) {
        corefuzz::check(row.time.isValid() && !row.event.isEmpty(), "a row without time or event");
        corefuzz::check(row.first >= -1 && row.last >= -1, "a negative line number");
        written += ViewFile::format(row);
    }
    const ViewFile::Reading again = ViewFile::read(written, QStringLiteral("again.csv"));
    corefuzz::check(again.problems.isEmpty(), "a row written again does not read");
    corefuzz::check(again.rows.size() == reading.rows.size(), "rows lost on writing them again");
    for (qsizetype i = 0; i < again.rows.size(); ++i) {
        const ViewFile::Row &a = reading.rows.at(i);
        const ViewFile::Row &b = again.rows.at(i);
        corefuzz::check(a.time == b.time && a.event == b.event && a.task == b.task
                            && a.file == b.file && a.first == b.first && a.last == b.last
                            && a.detail == b.detail,
                        "a row reads back differently");
    }
    return 0;
}
