#pragma once

#include <QString>

// Where a file that a record or a view row names lies. The name comes from a
// file that may have been edited or damaged, so it is only ever read inside
// the study folder.
namespace ReplayFiles {

enum class Place {
    InFolder, // a file of the folder
    Missing,  // would lie in the folder, but there is no such file
    Outside,  // "..", or no name at all: never read
};

struct Location
{
    QString path; // full path; empty for Outside
    Place place = Place::Outside;
};

// relative: as logged, "/src/chat/Server.java" (a missing leading "/" is
// taken as if it were there).
Location locate(const QString &folder, const QString &relative);

} // namespace ReplayFiles
