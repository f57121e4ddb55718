#include "resources.h"

#include <QtGlobal>

static void initImages()
{
    Q_INIT_RESOURCE(images);
}

void initImageResources()
{
    static const bool done = (initImages(), true);
    Q_UNUSED(done);
}
