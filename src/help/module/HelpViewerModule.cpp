// The help viewer module: the program's viewer over Qt Help, made for the first help command.
#include "help/HelpModule.h"
#include "help/HelpViewer.h"

#include <QtGlobal>
#include <type_traits>

using namespace tarnwick::help;

extern "C" Q_DECL_EXPORT int tarnwick_help_abi()
{
    return module::HelpAbiVersion;
}

extern "C" Q_DECL_EXPORT tarnwick::platform::HelpEngine* tarnwick_create_help_engine()
{
    return new HelpViewer;
}

static_assert(std::is_same_v<decltype(&tarnwick_help_abi), int (*)()>, "the module's export drifted");
static_assert(std::is_same_v<decltype(&tarnwick_create_help_engine), module::CreateFunction>,
              "the module's export drifted");
