#pragma once

// Registers the compiled-in images. The images live in a static library, so
// whoever shows them calls this once first; further calls do nothing.
void initImageResources();
