#pragma once

// The contract between the program and its help viewer module, a library loaded by the first
// help command, so that starting the program maps neither Qt Help nor Qt SQL under it. The
// viewer is a platform::HelpEngine, a plain virtual class, so no meta-object crosses.

namespace tarnwick::platform {
class HelpEngine;
}

namespace tarnwick::help::module {

// Raised by any change to HelpEngine; a module of another version is refused as missing.
inline constexpr int HelpAbiVersion = 1;
inline constexpr char HelpModuleBaseName[] = "tarnwick_helpviewer";
inline constexpr char HelpAbiSymbol[] = "tarnwick_help_abi";
inline constexpr char HelpCreateSymbol[] = "tarnwick_create_help_engine";

// The version export is an int (*)(); the other makes the viewer.
using CreateFunction = platform::HelpEngine* (*)();

} // namespace tarnwick::help::module
