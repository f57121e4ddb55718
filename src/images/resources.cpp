#include "resources.h"

#include <QtGlobal>

// The compiled resource list lives in the static library; its registration
// function is only linked in because it is referenced here.
static void initImages()
{
    Q_INIT_RESOURCE(images);
}

void initImageResources()
{
    static const bool done = (initImages(), true);
    Q_UNUSED(done);
}
