#pragma once

namespace TestSupport {

// Installs a message handler that drops the offscreen platform's warnings
// about window hints it cannot apply and passes every other message on to the
// handler installed before. Call once, from initTestCase().
void installPlatformMessageFilter();

} // namespace TestSupport
