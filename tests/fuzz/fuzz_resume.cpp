// A returning participant whose log and answers files hold anything, in
// memory: the resume position must be a real page of the questionnaire, and
// every earlier answer must come back into the boxes and be in the answers
// file again after the next save, so that nothing is lost.
//
// Input: the log file, separator, the answers file. Without a separator there
// is no answers file.

#include "fuzzsupport.h"

#include "core/formats/answersfile.h"
#include "core/formats/logrecord.h"
#include "core/study/resumeposition.h"

namespace {

// Eight tasks, as "t1$q|2;t2$q|1;t3$q|1;t4$q|1;t5$q|1;t6$q|1;t7$q|1$r|1;t8$q|1$r|1;"
// makes them: the account page and eight task pages, ten answer boxes.
constexpr int pageCount = 9;
constexpr int boxCount = 10;

// A byte order mark at the very start of the file is taken for the file's
// own, so one typed at the start of the first answer is not read back.
QString withoutLeadingMark(QString text)
{
    if (text.startsWith(QChar(QChar::ByteOrderMark)))
        text.remove(0, 1);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayList parts = fuzz::split(data, size, 2);
    const QString log = LogFile::fromBytes(parts.at(0));
    const int page = ResumePosition::targetPage(log, pageCount);
    fuzz::check(page == 0 || (page > 1 && page < pageCount - 1), "resumed outside the task pages");

    // The answers come back into the boxes, and the next save writes them.
    const QStringList before = AnswersFile::fromBytes(parts.at(1));
    const QStringList boxes = AnswersFile::distribute(before, boxCount);
    const QStringList after = AnswersFile::fromBytes(AnswersFile::encode(boxes));

    // Every earlier answer, as the viewer reads it (escapes undone), is in the
    // file again: comparing the file's raw pieces with the answers they stand
    // for would take a doubled backslash for a lost one.
    const QString now = after.join(QLatin1Char('$'));
    for (qsizetype k = 0; k < before.size(); ++k)
        fuzz::check(now.contains(k == 0 ? withoutLeadingMark(before.at(k)) : before.at(k)),
                    "an earlier answer was lost");
    return 0;
}
