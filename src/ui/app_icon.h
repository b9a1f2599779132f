// The program's icon: a small triangulated hill, drawn rather than shipped so
// that it is sharp at every size the window system asks for.
#pragma once

#include <QIcon>

namespace quarvelin {

// Edge of the icon as the about box shows it, pixels.
constexpr int kIconSize = 32;

QIcon ApplicationIcon();

}  // namespace quarvelin
