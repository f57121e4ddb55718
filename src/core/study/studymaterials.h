#pragma once

#include <QString>
#include <QStringList>

class ProjectModel;
class StudyDesign;

// Which version of the material a participant saw: one SHA-256 over the
// study's files, recorded in the session file at every sign-in.
//
// The files, relative to the study folder and in this order: model.m,
// annotations.xml, questions.txt, study.json, the saved assignments that
// study.json's conditions name (in the order named), then every source that
// annotations.xml lists, sorted by the bytes of its UTF-8 path; each file
// once. For each file the hash takes its path in UTF-8 and a line end, then
// its length in bytes as a decimal number and a line end followed by its
// bytes, or "missing" and a line end when there is no such file. In Python:
//
//   h = hashlib.sha256()
//   for path in files:
//       h.update(path.encode() + b"\n")
//       if os.path.isfile(full(path)):
//           data = open(full(path), "rb").read()
//           h.update(b"%d\n" % len(data) + data)
//       else:
//           h.update(b"missing\n")
//   h.hexdigest()
namespace StudyMaterials {

// The sources a project model lists (its file nodes), relative to the folder.
QStringList listedSources(const ProjectModel &model);

// The files the hash covers, in the order above.
QStringList files(const StudyDesign &design, const QStringList &listedSources);

// The SHA-256 of the files (relative to folder) in the order given, as 64
// lower-case hexadecimal digits (none if the digest cannot be made at all).
QString hash(const QString &folder, const QStringList &files);

} // namespace StudyMaterials
