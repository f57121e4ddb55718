#include "accountname.h"

namespace AccountName {

namespace {
// The usual limit of one file-name component, in bytes.
constexpr int maxFileNameBytes = 255;
// Room for the suffix a temporary file gets while the answers are replaced.
constexpr int temporarySuffixBytes = 7;
} // namespace

bool isUsable(const QString &name, const QString &osUserName)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    static const QString forbidden = QStringLiteral("/\\<>:\"|?*");
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || forbidden.contains(c))
            return false;
    }
    const QString longestFileName = name + QLatin1Char('_') + osUserName
                                    + QLatin1String("_answers.txt");
    return longestFileName.toUtf8().size() + temporarySuffixBytes <= maxFileNameBytes;
}

} // namespace AccountName
