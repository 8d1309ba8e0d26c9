// Painting a level's world picture for a window: at once when the level's
// pictures are small (the sample levels, most levels with a map picture),
// else on a worker thread, so that the window never freezes while hundreds
// of tiles are decoded.
#pragma once

#include "level/world_picture.h"

#include <QObject>

#include <functional>

namespace tw {

// Whether painting at `size` pixels takes about a frame: at most a
// megabyte of pictures, and a relief of at most 512 x 512 samples painted
// at most 512 pixels square.
bool quickToPaint(const level::LevelGround& ground, int size);

// Paints the picture and hands it to `done` on the window's thread: at
// once when quickToPaint, else later; never when `context` is gone by then.
// Returns whether `done` has run already.
bool paintWorldPictureFor(QObject* context, const level::LevelGround& ground, int size, const QImage& ownPicture,
                          std::function<void(const level::WorldPicture&)> done);

} // namespace tw
