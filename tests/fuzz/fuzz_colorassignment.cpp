// Saved colour assignments as they may come back from another machine: an
// arbitrary file is applied, and a file saved for features with arbitrary
// names must apply again with the same colours.
//
// Input: feature names one per line, separator, the saved file. Without a
// separator the input is the saved file and the example project's features
// are used.

#include "fuzzsupport.h"

#include "ui/colors/colormanager.h"
#include "ui/colorsaves/colorassignmentfile.h"

#include <QHash>

namespace {

const QByteArray exampleNames = "Base\nTcp\nLocal\nAuthentication\nCaesar\nReverse\nHistory\n"
                                "Color\nSpamfilter\nEmoticons";

FeatureList featuresFrom(const QByteArray &names)
{
    FeatureList features;
    const QString text = QString::fromUtf8(names);
    for (const QString &name : text.split(QLatin1Char('\n')))
        if (features.size() < 256)
            features.append(Feature(qint32(features.size()), name));
    return features;
}

struct Snapshot
{
    QList<PaletteColor *> palette;
    QList<PaletteColor *> pairs;

    explicit Snapshot(const ColorManager &manager) : palette(manager.ColorArray)
    {
        for (const FeatureColorPair &pair : manager.FCPList)
            pairs.append(pair.color);
    }
    bool operator==(const Snapshot &other) const
    {
        return palette == other.palette && pairs == other.pairs;
    }
};

QList<QRgb> colorsOf(const ColorManager &manager)
{
    QList<QRgb> colors;
    for (const FeatureColorPair &pair : manager.FCPList)
        colors.append(pair.color ? pair.color->color().rgb() : 0);
    return colors;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArrayList parts = fuzz::split(data, size, 2);
    if (parts.at(1).isNull())
        parts = {exampleNames, parts.at(0)};
    FeatureList features = featuresFrom(parts.at(0));
    const fuzz::ScratchFolder folder;

    {
        ColorManager manager(&features, int(features.size()));
        const Snapshot before(manager);
        const QString path = folder.write(QStringLiteral("saved.txt"), parts.at(1));
        const auto result = ColorAssignmentFile::apply(path, &manager);
        if (result != ColorAssignmentFile::ApplyResult::Applied)
            fuzz::check(Snapshot(manager) == before, "a rejected file changed the colours");
        fuzz::check(manager.FCPList.size() == features.size(), "pair list lost a feature");
        for (const FeatureColorPair &pair : manager.FCPList)
            fuzz::check(pair.color && pair.color->color().isValid(), "feature without colour");
        for (const PaletteColor *color : manager.ColorArray)
            fuzz::check(color && color->color().isValid() && color->color().alpha() == 255,
                        "palette colour invalid");
    }

    // Every second feature gets a palette colour; saving and applying the
    // file again must bring back exactly these colours.
    ColorManager manager(&features, int(features.size()));
    for (qsizetype i = 0; i < features.size() && i < manager.ColorArray.size(); i += 2)
        manager.assignColor(&features[i], manager.ColorArray.at(i));
    const QList<QRgb> saved = colorsOf(manager);
    const QString path = ColorAssignmentFile::nextFileName(folder.path());
    fuzz::check(ColorAssignmentFile::write(path, manager.ColorArray, manager.FCPList, manager),
                "saving failed");
    ColorManager fresh(&features, int(features.size()));
    fuzz::check(ColorAssignmentFile::apply(path, &fresh)
                    == ColorAssignmentFile::ApplyResult::Applied,
                "a saved file could not be applied again");
    // Features are paired with colours by name, so of two features with the
    // same name only the first can hold a colour; only unique names count.
    QHash<QString, int> nameCounts;
    for (const Feature &feature : features)
        ++nameCounts[feature.name()];
    const QList<QRgb> restored = colorsOf(fresh);
    for (qsizetype i = 0; i < features.size(); ++i) {
        const bool assigned = i % 2 == 0 && i < manager.ColorArray.size();
        if (assigned && nameCounts.value(features[i].name()) == 1)
            fuzz::check(restored.at(i) == saved.at(i), "saved colour did not come back");
    }
    return 0;
}
