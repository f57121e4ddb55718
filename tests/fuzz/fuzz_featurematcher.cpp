// The feature matcher against the rules of the project file: the features an
// expression names, found through the matcher's index of names, must be those
// of testing every feature name in list order by the rules' patterns.
//
// Input: feature names, one a line, separator, annotations.xml (not read, so
// that this target and fuzz_annotations share their seeds), separator,
// feature expressions, one a line.

#include "fuzzsupport.h"

#include "core/model/featurematcher.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// Every feature tested in list order, the way the rules state it.
QList<const Feature *> referenceMatch(const FeatureList &features, const QString &expression)
{
    QList<const Feature *> found;
    const auto options = QRegularExpression::UseUnicodePropertiesOption;
    const auto contains = [&](const QString &pattern) {
        return QRegularExpression(pattern, options).match(expression).hasMatch();
    };
    for (const Feature &feature : features) {
        const QString name = feature.name();
        if (name == expression) {
            found.append(&feature);
            return found;
        }
        if (name.isEmpty())
            continue;
        const QString literal = QRegularExpression::escape(name);
        const QString w = QStringLiteral("\\W");
        if (contains(w + literal + w)
            || (expression.startsWith(name) && contains(literal + w))
            || (expression.endsWith(name) && contains(w + literal)))
            found.append(&feature);
    }
    return found;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayList parts = fuzz::split(data, size, 3);
    FeatureList features;
    for (const QString &name : QString::fromUtf8(parts.at(0)).split(QLatin1Char('\n')))
        if (features.size() < 200)
            features.append(Feature(qint32(features.size()), name));

    const QStringList expressions = QString::fromUtf8(parts.at(2)).split(QLatin1Char('\n'));
    const FeatureMatcher matcher(&features);
    for (const QString &expression : expressions.mid(0, 20)) {
        const QList<Feature *> found = matcher.featuresInExpression(expression);
        const QList<const Feature *> expected = referenceMatch(features, expression);
        fuzz::check(QList<const Feature *>(found.begin(), found.end()) == expected,
                    "expression matched differently from the rules");
    }
    return 0;
}
