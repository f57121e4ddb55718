#pragma once

#include "core/formats/questionsfile.h"

#include <QTextDocument>

// The text of a question. Questions are HTML written by the researchers and
// may show pictures; a picture is looked up in the project folder first and
// then in the working directory, and only regular files of at most
// MaxResourceBytes are read: a path to a device such as /dev/zero would
// otherwise be read until memory runs out, before the window ever shows.
class QuestionDocument : public QTextDocument
{
    Q_OBJECT

public:
    static constexpr qint64 MaxResourceBytes = QuestionsFile::MaxPictureBytes;

    QuestionDocument(const QString &projectDir, QObject *parent = nullptr);

    // The file a resource name refers to, or an empty string when it names
    // no file that may be read.
    QString resourceFile(const QUrl &name) const;

protected:
    QVariant loadResource(int type, const QUrl &name) override;

private:
    QString projectDir;
};
