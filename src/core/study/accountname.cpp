#include "accountname.h"

namespace AccountName {

namespace {
// The usual limit of one file-name component, in bytes.
constexpr int maxFileNameBytes = 255;
// Room for the suffix a temporary file gets while the answers are replaced.
constexpr int temporarySuffixBytes = 7;
} // namespace

Check check(const QString &name, const QString &osUserName)
{
    if (name.isEmpty())
        return {Refusal::Empty, QChar()};
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return {Refusal::DotName, QChar()};
    static const QString forbidden = QStringLiteral("/\\<>:\"|?*");
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return {Refusal::ControlCharacter, c};
        if (forbidden.contains(c))
            return {Refusal::Character, c};
    }
    const QString longestFileName = name + QLatin1Char('_') + osUserName
                                    + QLatin1String("_answers.txt");
    if (longestFileName.toUtf8().size() + temporarySuffixBytes > maxFileNameBytes)
        return {Refusal::TooLong, QChar()};
    return {};
}

QString fromTyped(const QString &typed)
{
    return typed.trimmed();
}

bool isUsable(const QString &name, const QString &osUserName)
{
    return check(name, osUserName).refusal == Refusal::None;
}

QString operatingSystemUser()
{
    for (const char *variable : {"USERNAME", "USER", "LOGNAME"}) {
        const QString value = qEnvironmentVariable(variable);
        if (!value.isEmpty())
            return value;
    }
    return QString();
}

} // namespace AccountName
