#pragma once

#include <QList>
#include <QString>

class PaletteColor;

// One leaf of the feature model. The feature tree owns the list of features;
// everything else refers to a feature by a pointer into that list, which is
// never changed after start-up.
class Feature
{
public:
    Feature(qint32 id, const QString &name) : id(id), m_name(name) {}

    QString name() const { return m_name; }

    // The colour the current colour manager pairs with this very record.
    // Colours belong to the window: the colour manager defines this, and only
    // code that links the window's library may call it.
    PaletteColor *color() const;

    qint32 id;

private:
    QString m_name;
};

using FeatureList = QList<Feature>;
