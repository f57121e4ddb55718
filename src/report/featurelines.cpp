#include "featurelines.h"

#include "core/formats/textdecoding.h"
#include "core/model/featurematcher.h"
#include "core/model/projectmodel.h"
#include "report/reportwarnings.h"

#include <QFile>
#include <QMap>
#include <QSet>
#include <QXmlStreamReader>

#include <memory>

namespace {

// Resolves feature texts against the features as the viewer does, through
// one name index for the whole project file.
class FeatureResolver
{
public:
    explicit FeatureResolver(const QStringList &names)
    {
        m_features.reserve(names.size());
        for (const QString &name : names)
            m_features.append(Feature(qint32(m_features.size()), name));
    }
    FeatureResolver(const FeatureResolver &) = delete;
    FeatureResolver &operator=(const FeatureResolver &) = delete;

    QList<int> featuresOf(const QString &text) const
    {
        QList<int> ids;
        if (FeatureMatcher::isPlainName(text)) {
            if (const Feature *feature = m_matcher.featureByName(text))
                ids.append(feature->id);
            return ids;
        }
        for (const Feature *feature : m_matcher.featuresInExpression(text))
            ids.append(feature->id);
        return ids;
    }

private:
    FeatureList m_features;
    FeatureMatcher m_matcher{&m_features};
};

} // namespace

QStringList FeatureLines::leafFeatures(const QList<FeatureStatement> &statements)
{
    const FeatureTree tree = buildFeatureTree(statements);
    if (tree.items.isEmpty())
        return {QStringLiteral("empty")};
    QStringList leaves;
    QSet<QString> listed;
    for (int item : tree.preOrder()) {
        const FeatureTree::Item &entry = tree.items.at(item);
        if (entry.children.isEmpty() && !listed.contains(entry.name)) {
            listed.insert(entry.name);
            leaves.append(entry.name);
        }
    }
    return leaves;
}

void FeatureLines::setFeatures(const QStringList &features)
{
    m_features = features;
}

QList<int> FeatureLines::featuresOf(const QString &text) const
{
    return FeatureResolver(m_features).featuresOf(text);
}

bool FeatureLines::readAnnotations(const QByteArray &xml, QString *error, int *errorLine,
                                   int *errorColumn)
{
    m_files.clear();
    m_listed.clear();
    QXmlStreamReader reader(xml);
    QHash<QString, QMap<int, QList<LineRange>>> ranges;
    const FeatureResolver resolver(m_features);
    QHash<QString, QList<int>> resolved; // feature texts repeat thousands of times
    QStringList folders;
    QString file;
    LineRange fragment;
    bool inFragment = false;
    bool inProject = false;

    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement) {
            const auto name = reader.name();
            if (name == u"folder" && !folders.isEmpty())
                folders.removeLast();
            else if (name == u"file")
                file.clear();
            else if (name == u"fragment")
                inFragment = false;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const auto name = reader.name();
        const QXmlStreamAttributes attributes = reader.attributes();
        if (!inProject) {
            if (name != u"project") {
                reader.raiseError(QStringLiteral("File is not a project file"));
                break;
            }
            inProject = true;
        } else if (name == u"folder" && file.isEmpty()) {
            folders.append(attributes.value(QLatin1String("name")).toString());
        } else if (name == u"file" && file.isEmpty()
                   && ProjectModel::isSourceName(attributes.value(QLatin1String("name")).toString())) {
            QStringList parts = folders;
            parts.append(attributes.value(QLatin1String("name")).toString());
            file = QLatin1Char('/') + parts.join(QLatin1Char('/'));
            m_listed.insert(file);
        } else if (name == u"fragment" && !file.isEmpty() && !inFragment) {
            fragment.first = attributes.value(QLatin1String("startline")).toInt();
            fragment.last = attributes.value(QLatin1String("endline")).toInt();
            inFragment = true;
        } else if (name == u"feature" && inFragment) {
            const QString text = reader.readElementText(QXmlStreamReader::IncludeChildElements);
            auto found = resolved.find(text);
            if (found == resolved.end())
                found = resolved.insert(text, resolver.featuresOf(text));
            for (int feature : std::as_const(*found))
                ranges[file][feature].append(fragment);
        } else {
            // Anything else is skipped with all it holds.
            reader.skipCurrentElement();
        }
    }
    if (reader.hasError()) {
        if (error)
            *error = reader.errorString();
        if (errorLine)
            *errorLine = int(reader.lineNumber());
        if (errorColumn)
            *errorColumn = int(reader.columnNumber());
        return false;
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
    const QString modelPath = folder + QStringLiteral("/model.m");
    QFile model(modelPath);
    QList<FeatureStatement> statements;
    if (!model.open(QIODevice::ReadOnly)) {
        warnings.add(QString(), modelPath, 0, QStringLiteral("model"),
                     QStringLiteral("cannot read the feature model (") + model.errorString()
                         + QStringLiteral("): no feature has exposure"));
    } else {
        statements = parseFeatureModel(decodeText(model.readAll(), NulCharacters::EndText));
        if (statements.isEmpty())
            warnings.add(QString(), modelPath, 0, QStringLiteral("model"),
                         QStringLiteral("the feature model names no feature: no feature has "
                                        "exposure"));
    }
    // As the viewer: without statements the one feature is "empty".
    lines.setFeatures(leafFeatures(statements));

    const QString path = folder + QStringLiteral("/annotations.xml");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        warnings.add(QString(), path, 0, QStringLiteral("annotations"),
                     QStringLiteral("cannot read the project file (") + file.errorString()
                         + QStringLiteral("): no feature has exposure"));
        return lines;
    }
    // The XML reader decodes the bytes by their declaration, as the viewer does.
    QString error;
    int line = 0;
    int column = 0;
    if (!lines.readAnnotations(file.readAll(), &error, &line, &column))
        warnings.add(QString(),
                     Diagnostic{path, line, column, Diagnostic::Severity::Warning,
                                error + QStringLiteral(": no feature has exposure")},
                     QStringLiteral("annotations"));
    return lines;
}
