#pragma once
// The program's icon, drawn rather than shipped as a file.

#include <QIcon>
#include <QPixmap>

namespace veltrix {

QPixmap ProgramPixmap(int size);
QIcon ProgramIcon();

} // namespace veltrix
