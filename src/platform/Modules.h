#pragma once

#include <QString>

namespace tarnwick::platform {

// The libraries the program loads on first use rather than at start (the network, the help
// viewer, the web engine). They lie beside the executable once installed; tests name the build
// folder instead.
QString moduleDirectory();
void setModuleDirectory(const QString& directory);

// The file name of a module on this system (libNAME.so, NAME.dll) in directory.
QString moduleFilePath(const QString& directory, const char* baseName);

// Loads the module once per process (it is never unloaded: its objects may outlive any one
// caller) and resolves symbol. Null, with *error saying why, when either fails.
void* resolveModuleSymbol(const QString& directory, const char* baseName, const char* symbol, QString* error);

// As resolveModuleSymbol, after checking that the module's abiSymbol, an int (*)(), answers
// abiVersion: a module left from another version of the program counts as missing.
void* resolveModuleEntry(const char* baseName, const char* abiSymbol, int abiVersion, const char* symbol,
                         QString* error);

} // namespace tarnwick::platform
