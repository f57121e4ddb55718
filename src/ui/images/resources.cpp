#include "resources.h"

#include <QtGlobal>

// Registering again is harmless: Qt keeps one entry per resource list.
static void initImages()
{
    Q_INIT_RESOURCE(images);
}

void initImageResources()
{
    initImages();
}
