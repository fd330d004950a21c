#pragma once

namespace tarnwick::shell {

// Registers the icons compiled into the static library; safe to call more than once.
void initResources();

} // namespace tarnwick::shell
