#include "shell/Resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE must be used outside any namespace.
static void registerTarnwickResources()
{
    Q_INIT_RESOURCE(tarnwick);
}

namespace tarnwick::shell {

void initResources()
{
    static const bool registered = [] {
        registerTarnwickResources();
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace tarnwick::shell
