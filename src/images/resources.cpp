#include "resources.h"

#include <QtGlobal>

// images_rcc.cpp (written by scripts/make-images.py) holds the compiled
// resource list; its registration function lives in the static library and is
// only linked in because it is referenced here.
static void initImages()
{
    Q_INIT_RESOURCE(featurehue_images);
}

void initImageResources()
{
    static const bool done = (initImages(), true);
    Q_UNUSED(done);
}
