#include "featurelines.h"

#include "core/formats/annotationsfile.h"
#include "core/formats/diagnostics.h"
#include "core/formats/featuremodelfile.h"
#include "core/model/featurematcher.h"
#include "core/model/projectmodel.h"
#include "report/reportwarnings.h"

#include <QMap>

#include <algorithm>
#include <memory>

namespace {

// Resolves feature texts against the features as the viewer does, through
// one name index for the whole project file. Features of the same name count
// alike, as the structure trees count their lines.
class FeatureResolver
{
public:
    explicit FeatureResolver(const QStringList &names)
    {
        m_features.reserve(names.size());
        for (const QString &name : names) {
            m_idsByName[name].append(int(m_features.size()));
            m_features.append(Feature(qint32(m_features.size()), name));
        }
    }
    FeatureResolver(const FeatureResolver &) = delete;
    FeatureResolver &operator=(const FeatureResolver &) = delete;

    QList<int> featuresOf(const QString &text) const
    {
        QList<int> ids;
        if (FeatureMatcher::isPlainName(text)) {
            if (const Feature *feature = m_matcher.featureByName(text))
                ids = m_idsByName.value(feature->name());
            return ids;
        }
        for (const Feature *feature : m_matcher.featuresInExpression(text)) {
            for (int id : m_idsByName.value(feature->name())) {
                if (!ids.contains(id))
                    ids.append(id);
            }
        }
        std::sort(ids.begin(), ids.end());
        return ids;
    }

private:
    FeatureList m_features;
    FeatureMatcher m_matcher{&m_features};
    QHash<QString, QList<int>> m_idsByName; // in list order
};

} // namespace

QStringList FeatureLines::leafFeatures(const QList<FeatureStatement> &statements)
{
    return buildFeatureTree(statements).leafNames();
}

void FeatureLines::setFeatures(const QStringList &features)
{
    m_features = features;
}

QList<int> FeatureLines::featuresOf(const QString &text) const
{
    return FeatureResolver(m_features).featuresOf(text);
}

QStringList FeatureLines::listedSources() const
{
    QStringList sources;
    sources.reserve(m_listed.size());
    for (const QString &path : m_listed)
        sources.append(path.mid(1));
    sources.sort();
    return sources;
}

bool FeatureLines::readAnnotations(const QByteArray &xml, QString *error, int *errorLine,
                                   int *errorColumn)
{
    const AnnotationsFile file = AnnotationsFile::parse(xml);
    if (!file.isRead()) {
        if (error)
            *error = file.status == AnnotationsFile::Status::NotAProject
                ? QStringLiteral("File is not a project file")
                : file.error;
        if (errorLine)
            *errorLine = file.errorLine;
        if (errorColumn)
            *errorColumn = file.errorColumn;
        return false;
    }
    return readAnnotations(file);
}

bool FeatureLines::readAnnotations(const AnnotationsFile &file)
{
    m_files.clear();
    m_listed.clear();
    if (!file.isRead())
        return false;
    // The sources the file lists, whether or not a fragment names them.
    for (int index = 0; index < file.elements.size(); ++index) {
        const AnnotationsFile::Element &element = file.elements.at(index);
        if (element.kind == AnnotationsFile::Kind::File && ProjectModel::isSourceName(element.name))
            m_listed.insert(QLatin1Char('/') + file.relativePath(index));
    }
    QHash<QString, QMap<int, QList<LineRange>>> ranges;
    const FeatureResolver resolver(m_features);
    QHash<QString, QList<int>> resolved; // feature texts repeat thousands of times
    for (int index = 0; index < file.elements.size(); ++index) {
        const AnnotationsFile::Element &fragment = file.elements.at(index);
        if (fragment.kind != AnnotationsFile::Kind::Fragment)
            continue;
        const QString path = QLatin1Char('/') + file.relativePath(fragment.parent);
        const LineRange lines{AnnotationsFile::number(file.value(fragment.startLine)),
                              AnnotationsFile::number(file.value(fragment.endLine))};
        for (int child : file.children(index)) {
            const AnnotationsFile::Element &feature = file.elements.at(child);
            if (feature.kind != AnnotationsFile::Kind::Feature)
                continue;
            auto found = resolved.find(feature.name);
            if (found == resolved.end())
                found = resolved.insert(feature.name, resolver.featuresOf(feature.name));
            for (int id : std::as_const(*found))
                ranges[path][id].append(lines);
        }
    }
    for (auto it = ranges.cbegin(); it != ranges.cend(); ++it) {
        QList<FileFeature> &features = m_files[it.key()];
        for (auto feature = it->cbegin(); feature != it->cend(); ++feature)
            features.append({feature.key(), Exposure::merged(feature.value())});
    }
    return true;
}

FeatureLines FeatureLines::read(const QString &folder, ReportWarnings &warnings)
{
    FeatureLines lines;
    const QString modelPath = folder + QLatin1Char('/') + FeatureModelFile::fileName();
    const FeatureModelFile model = FeatureModelFile::read(modelPath);
    if (!model.readable)
        warnings.add(QString(), modelPath, 0, QStringLiteral("model"),
                     QStringLiteral("cannot read the feature model (") + model.errorString
                         + QStringLiteral("): no feature has exposure"));
    else if (model.statements.isEmpty())
        warnings.add(QString(), modelPath, 0, QStringLiteral("model"),
                     QStringLiteral("the feature model names no feature: no feature has "
                                    "exposure"));
    // As the viewer: without statements the one feature is "empty".
    lines.setFeatures(leafFeatures(model.statements));

    const QString path = folder + QLatin1Char('/') + AnnotationsFile::fileName();
    const AnnotationsFile file = AnnotationsFile::read(path);
    const auto warn = [&](int line, int column, const QString &text) {
        warnings.add(QString(),
                     Diagnostic{path, line, column, Diagnostic::Severity::Warning,
                                text + QStringLiteral(": no feature has exposure")},
                     QStringLiteral("annotations"));
    };
    switch (file.status) {
    case AnnotationsFile::Status::CannotOpen:
        warn(0, 0, QStringLiteral("cannot read the project file (") + file.error
                       + QLatin1Char(')'));
        break;
    case AnnotationsFile::Status::ParseError:
        warn(file.errorLine, file.errorColumn, file.error);
        break;
    case AnnotationsFile::Status::NotAProject:
        warn(file.errorLine, file.errorColumn, QStringLiteral("File is not a project file"));
        break;
    case AnnotationsFile::Status::Read:
        lines.readAnnotations(file);
        break;
    }
    return lines;
}
