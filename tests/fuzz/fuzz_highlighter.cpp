// Source lines of any kind (binary files under a .c name, odd encodings, very
// long lines) through the syntax highlighter of the code view.

#include "fuzzwidgets.h"

#include "ui/codeview/highlighter.h"
#include "core/formats/textdecoding.h"

#include <QCoreApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    fuzz::initApplication(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
        decodeText(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    // As in the code view: the text first, then the highlighter, which does
    // its first pass from the event loop.
    QTextDocument document;
    document.setPlainText(text);
    auto *highlighter = new Highlighter(&document);
    QCoreApplication::processEvents();

    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        // An empty document is never highlighted: nothing to colour.
        fuzz::check(block.userState() == 0 || block.userState() == 1
                        || (text.isEmpty() && block.userState() == -1),
                    "unknown block state");
        const int length = block.length() - 1; // without the block separator
        for (const QTextLayout::FormatRange &range : block.layout()->formats()) {
            fuzz::check(range.start >= 0 && range.length >= 0
                            && range.start + range.length <= length,
                        "format outside its line");
        }
        // A block that ends inside a comment is comment up to its end.
        if (block.userState() == 1 && length > 0) {
            const QList<QTextLayout::FormatRange> formats = block.layout()->formats();
            bool endColoured = false;
            for (const QTextLayout::FormatRange &range : formats)
                if (range.start + range.length == length
                    && range.format.foreground().color() == QColor(Qt::darkGreen))
                    endColoured = true;
            fuzz::check(endColoured, "open comment not coloured to the line's end");
        }
    }

    // Highlighting again gives the same states.
    if (text.isEmpty())
        return 0;
    QList<int> states;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        states.append(block.userState());
    highlighter->rehighlight();
    int i = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next(), ++i)
        fuzz::check(block.userState() == states.at(i), "highlighting is not repeatable");
    return 0;
}
