#pragma once

#include <QProxyStyle>

namespace tarnwick::shell {

// The desktop's style, except for the pictures the first window asks it for: the toolbar's overflow
// chevron (drawn here), a child window's menu button (the program's icon) and its system menu's
// pictures (fetched from the style when first shown). Qt reads its own for those from PNG files by
// name, which makes it ask every image-format plugin whether it knows the data and so loads all of
// them (TIFF, WebP, JPEG... and their libraries) at start-up.
class ProgramStyle : public QProxyStyle
{
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

} // namespace tarnwick::shell
