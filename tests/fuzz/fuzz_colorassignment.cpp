// Saved colour assignments as they may come back from another machine, read
// in memory by the file's one reader: what it reads in one pass is what the
// document tree reads; an arbitrary file gives colours that
// are colours and palette choices that exist, and a file saved for features
// with arbitrary names reads back with the same colours.
//
// Input: feature names one per line, separator, the saved file. Without a
// separator the input is the saved file and the example project's features
// are used.

#include "fuzzsupport.h"

#include "core/formats/colorassignmentformat.h"

#include <QStringList>

#include <algorithm>

namespace {

using namespace ColorAssignmentFormat;

const QByteArray exampleNames = "Base\nTcp\nLocal\nAuthentication\nCaesar\nReverse\nHistory\n"
                                "Color\nSpamfilter\nEmoticons";

bool isChannel(int value)
{
    return value >= 0 && value <= 255;
}

bool isColor(const Rgb &color)
{
    return isChannel(color.red) && isChannel(color.green) && isChannel(color.blue);
}

// The palette of a save: one colour of its own per feature, none of them grey.
Rgb paletteColor(int i)
{
    return {i % 200, (i / 200) % 200, 7};
}

void checkRead(const Contents &contents, int featureCount)
{
    for (const Rgb &color : contents.palette)
        fuzz::check(isColor(color), "palette colour invalid");
    for (const Rgb &color : contents.pairs)
        fuzz::check(isColor(color), "pair colour invalid");
    const QList<int> choices = paletteChoices(contents, featureCount);
    fuzz::check(choices.size() == featureCount, "a feature without a choice");
    QList<bool> taken(contents.palette.size(), false);
    for (int i = 0; i < featureCount; ++i) {
        const int choice = choices.at(i);
        if (choice < 0)
            continue;
        fuzz::check(choice < contents.palette.size() && !taken.at(choice),
                    "a palette colour chosen twice");
        taken[choice] = true;
        fuzz::check(contents.palette.at(choice) == contents.pairs.value(i),
                    "a feature got another colour than its pair's");
    }
}

void checkSavedReadsBack(const QStringList &names)
{
    const int savedCount = int(names.size());
    QList<SavedColor> palette;
    QList<SavedPair> pairs;
    for (int i = 0; i < savedCount; ++i) {
        palette.append({paletteColor(i), i % 3 == 0});
        const bool assigned = i % 2 == 0;
        pairs.append({names.at(i), assigned ? paletteColor(i) : Rgb{220, 220, 220},
                      assigned ? Ordinary : NoColor});
    }
    Contents saved;
    QString message;
    fuzz::check(parse(toXml(pairs, palette), &saved, &message) == ReadResult::Read,
                "a saved file could not be read again");
    fuzz::check(saved.palette.size() == palette.size() && saved.pairs.size() == pairs.size(),
                "a saved colour did not come back");
    const QList<int> choices = paletteChoices(saved, savedCount);
    for (int i = 0; i < savedCount; ++i) {
        fuzz::check(saved.palette.at(i) == palette.at(i).color, "a palette colour changed");
        fuzz::check(choices.at(i) == (i % 2 == 0 ? i : -1), "saved colour did not come back");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArrayList parts = fuzz::split(data, size, 2);
    if (parts.at(1).isNull())
        parts = {exampleNames, parts.at(0)};
    const QStringList names = QString::fromUtf8(parts.at(0)).split(QLatin1Char('\n')).mid(0, 256);
    const int featureCount = int(names.size());

    Contents contents;
    QString message;
    const ReadResult result = parse(parts.at(1), &contents, &message);
    if (contents.readInOnePass) {
        Contents tree;
        QString treeMessage;
        fuzz::check(parseDocument(parts.at(1), &tree, &treeMessage) == result && tree == contents,
                    "the one-pass reading differs from the document tree");
    }
    if (result == ReadResult::Read) {
        checkRead(contents, featureCount);
    } else {
        fuzz::check(contents.palette.isEmpty() && contents.pairs.isEmpty(),
                    "a rejected file gave colours");
        fuzz::check(message.startsWith(QLatin1String("Error: ")), "a rejection without a reason");
    }

    // Every second feature gets a palette colour; saving and reading the
    // file again must bring back exactly these colours, whatever the names
    // (the first 16 of them: more only make the file longer). What is saved
    // depends on the names alone: the same names as the input before give
    // the same file, already read back.
    static QStringList namesSaved;
    const int savedCount = std::min(featureCount, 16);
    if (names.mid(0, savedCount) != namesSaved || namesSaved.isEmpty()) {
        namesSaved = names.mid(0, savedCount);
        checkSavedReadsBack(namesSaved);
    }
    return 0;
}
