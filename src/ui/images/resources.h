#pragma once

// The compiled-in images register themselves when the program starts (see
// src/CMakeLists.txt), so nobody needs to call this before using
// ":/images/..."; it registers them again and may be called any number of times.
void initImageResources();
