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

// Where a feature lies in a list: its index, or -1 when it is no element of
// the list (null, or a feature of another list).
inline int featureIndex(const FeatureList &features, const Feature *feature)
{
    if (features.isEmpty() || !feature)
        return -1;
    const auto first = reinterpret_cast<quintptr>(features.constData());
    const auto address = reinterpret_cast<quintptr>(feature);
    if (address < first)
        return -1;
    const quintptr offset = address - first;
    if (offset % sizeof(Feature) != 0)
        return -1;
    const quintptr index = offset / sizeof(Feature);
    return index < quintptr(features.size()) ? int(index) : -1;
}
