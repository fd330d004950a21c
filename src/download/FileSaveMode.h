#pragma once

namespace tarnwick::download {

// How finished downloads are named: automatically (false) or with a prompt for common or
// duplicate names (true). Lives for one run, owned by the main window; the options dialog edits it.
struct FileSaveMode
{
    bool blFileSaveNotOption = false;
    bool blFileSaveNotOption1 = false;
};

} // namespace tarnwick::download
