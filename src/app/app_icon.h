// The application icon: a patchwork square with a quilting loop stitched
// across it, drawn here at every size it is shown in.
#pragma once

#include <QIcon>

namespace app {

QIcon LoomveilIcon();

// The icon as a picture of size × size pixels.
QPixmap LoomveilIconPixmap(int size);

} // namespace app
