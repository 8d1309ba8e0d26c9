// The program's own pictures, drawn in code so that nothing has to ship as a
// separate file. The splash picture is the one exception: it is a JPEG.
#pragma once

#include <QColor>
#include <QImage>

namespace tw::pictures {

inline const QColor kPointGreen(106, 192, 0);
inline const QColor kPointRed(255, 0, 0);

// Registers the built-in pictures (the splash JPEG, the program's icon).
void loadResources();

QImage splash();                 // decoded from the built-in JPEG with libjpeg
QImage folderIcon();             // browse for a map
QImage gameIcon();               // choose the game's executable
QImage archiveIcon(bool addon);  // choose an archive for the network merge
QImage supportBanner();
QImage doneBanner();             // CLICK HERE WHEN YOU ARE DONE
QImage mapPlaceholder();         // 100 x 100 grey
QImage flag(const QColor& color);// 41 x 49, pole foot at 24, 48
QImage solid(const QColor& color);

} // namespace tw::pictures
