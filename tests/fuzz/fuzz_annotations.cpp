// annotations.xml read in memory by its one reader, without any widget or
// application object: its three readings must agree, and every element kept
// stands after its parent with a position.
// What the viewer and the report make of the elements is fuzz_projectmodel's.
//
// Input: feature names, one a line, separator, annotations.xml (a third part,
// the expressions of fuzz_featurematcher, is not read, so that the targets
// share their seeds). The names are not read here either.

#include "fuzzsupport.h"

#include "core/formats/annotationsfile.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    fuzz::quietQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayList parts = fuzz::split(data, size, 3);

    // What a reading leaves aside, the next reads anyway: the reading from
    // the bytes, the stream reader and the document tree give one result.
    const AnnotationsFile file = AnnotationsFile::parse(parts.at(1));
    if (file.readInOnePass)
        fuzz::check(file == AnnotationsFile::parseDocument(parts.at(1)),
                    "the one-pass reading differs from the document tree");
    if (file.reading == AnnotationsFile::Reading::Bytes)
        fuzz::check(file == AnnotationsFile::parse(parts.at(1), AnnotationsFile::Reading::Stream),
                    "the reading from the bytes differs from the stream reader");
    fuzz::check(file.isRead() != file.elements.isEmpty(), "elements of a file not read");
    for (int i = 0; i < file.elements.size(); ++i) {
        const AnnotationsFile::Element &element = file.elements.at(i);
        fuzz::check((i == 0) == (element.parent < 0) && element.parent < i,
                    "an element before its parent");
        fuzz::check(element.line >= 1 && element.column >= 1, "an element without a position");
    }
    return 0;
}
