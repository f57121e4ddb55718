#pragma once

#include <QXmlStreamReader>

// Skips the element whose start tag the reader is at, with everything inside
// it. False at an error, an entity reference or a document type inside it, or
// when the document ends first: what a one-pass reading cannot tell apart
// from what a document tree would make of it.
inline bool skipXmlElement(QXmlStreamReader &xml)
{
    int depth = 1;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            break;
        case QXmlStreamReader::EndElement:
            if (--depth == 0)
                return true;
            break;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            break;
        default:
            return false;
        }
    }
    return false;
}
