#include "platformmessages.h"

#include <QString>
#include <QtGlobal>

namespace TestSupport {
namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform warns about every window hint it cannot apply.
void dropPlatformNoise(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    previousHandler(type, context, message);
}

} // namespace

void installPlatformMessageFilter()
{
    // Installed twice, the filter must not become its own successor.
    const QtMessageHandler previous = qInstallMessageHandler(dropPlatformNoise);
    if (previous != dropPlatformNoise)
        previousHandler = previous;
}

} // namespace TestSupport
