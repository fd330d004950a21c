#pragma once

#include <QIcon>

namespace tarnwick::shell {

// The program's own pictures, drawn from resources/icons at build time into PNGs of every size the
// windows ask for (1x and 2x), and read as PNG without guessing the format. That keeps start-up
// clear of the SVG icon engine and of Qt's probe of every image-format plugin that QIcon(file) and
// QImage::load set off, and keeps the pictures sharp at any scale. name is the SVG's base name ("bold", "tarnwick").
QIcon programIcon(const QString& name);

// The sizes drawn for toolbar pictures (16 pixels at 1x and 2x; other scales take the nearer one),
// and the larger ones drawn for the application icon. src/CMakeLists.txt draws the same sizes.
inline constexpr int kToolbarIconSizes[] = {16, 32};
inline constexpr int kApplicationIconSizes[] = {16, 24, 32, 48, 64, 128};

} // namespace tarnwick::shell
