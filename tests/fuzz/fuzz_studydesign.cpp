// study.json as a researcher might write it, or anything else: reading must
// never crash, every problem must point into the file, and a design without
// errors must hold only what the viewer can use.

#include "corefuzzsupport.h"

#include "core/formats/jsonlocations.h"
#include "core/formats/studydesign.h"

#include <QSet>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), qsizetype(size));
    const StudyDesign::Reading reading = StudyDesign::read(text);
    corefuzz::checkPlaces(reading.problems, text, "a problem of study.json points nowhere");
    if (!reading.usable())
        return 0;

    const StudyDesign &design = reading.design;
    corefuzz::check(design.keepFirst >= 0, "a negative keepFirst was accepted");
    QSet<QString> names;
    for (const StudyCondition &condition : design.conditions) {
        corefuzz::check(!condition.name.trimmed().isEmpty(), "a condition without name");
        corefuzz::check(!names.contains(condition.name), "two conditions of one name");
        names.insert(condition.name);
        corefuzz::check(condition.opacity >= -1 && condition.opacity <= 255,
                        "an opacity outside the slider");
        corefuzz::check(!condition.assignment.startsWith(QLatin1Char('/'))
                            && !condition.assignment.startsWith(QLatin1String("../"))
                            && condition.assignment != QLatin1String(".."),
                        "an assignment outside the folder");
        corefuzz::check(design.condition(condition.name) == &condition,
                        "a condition not found by its name");
    }

    // Every key of an object the reader accepted has a place.
    const JsonLocations locations(text);
    for (int i = 0; i < design.conditions.size(); ++i)
        corefuzz::check(locations.value({QStringLiteral("conditions"), QString::number(i)}).line
                            >= 1,
                        "a condition has no place");
    return 0;
}
