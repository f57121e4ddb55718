#pragma once

#include "core/model/featuremodel.h"
#include "report/exposure.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

struct AnnotationsFile;
class ReportWarnings;

// Which lines of which source file belong to which feature, read from
// model.m (the features: the leaves of its tree) and annotations.xml (the
// fragments), the way the viewer colours them.
class FeatureLines
{
public:
    struct FileFeature
    {
        int feature = 0;           // index into features()
        QList<LineRange> lines;    // merged (Exposure::merged)
    };

    // Reads folder/model.m and folder/annotations.xml. A missing or
    // unreadable model.m or a damaged project file gives a warning and no
    // lines; features stay known as far as they can be read.
    static FeatureLines read(const QString &folder, ReportWarnings &warnings);

    // The leaf names of a feature model as the viewer's feature list holds
    // them (FeatureTree::leafNames): in pre-order, a name as often as it is a
    // leaf; without any statement the one feature "empty".
    static QStringList leafFeatures(const QList<FeatureStatement> &statements);

    // Sets the features; fragment texts are resolved against them.
    void setFeatures(const QStringList &features);
    // Reads the bytes of annotations.xml; false (with the error and where it
    // is) when they are no project file.
    bool readAnnotations(const QByteArray &xml, QString *error = nullptr, int *errorLine = nullptr,
                         int *errorColumn = nullptr);
    // The same for a project file read already; false when it was not read.
    bool readAnnotations(const AnnotationsFile &file);

    // The features a fragment's feature text names: a plain name stands for
    // the feature of that name; in an expression such as "A && !B" every
    // feature name found as a whole word counts.
    QList<int> featuresOf(const QString &text) const;

    const QStringList &features() const { return m_features; }
    // The annotated features of a file, by its path as the log writes it
    // ("/src/A.java"); empty for a file without fragments.
    QList<FileFeature> fileFeatures(const QString &path) const { return m_files.value(path); }
    // Whether annotations.xml lists the source file, with or without fragments.
    bool isListed(const QString &path) const { return m_listed.contains(path); }
    qsizetype listedCount() const { return m_listed.size(); }
    // The sources annotations.xml lists, relative to the folder ("src/A.java"),
    // sorted: those the materials hash covers.
    QStringList listedSources() const;

private:
    QStringList m_features;
    QHash<QString, QList<FileFeature>> m_files;
    QSet<QString> m_listed;
};
