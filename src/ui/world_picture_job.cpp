#include "ui/world_picture_job.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <memory>

namespace tw {

bool quickToPaint(const level::LevelGround& ground, int size) {
    constexpr uint64_t kQuickBytes = uint64_t{1} << 20;
    return ground.pictureBytes <= kQuickBytes && (!ground.heights || (ground.heights->side() <= 512 && size <= 512));
}

bool paintWorldPictureFor(QObject* context, const level::LevelGround& ground, int size, const QImage& ownPicture,
                          std::function<void(const level::WorldPicture&)> done) {
    if (quickToPaint(ground, size)) {
        done(level::paintWorldPicture(ground, size, ownPicture.isNull() ? nullptr : &ownPicture));
        return true;
    }
    QPointer<QObject> alive(context);
    // The worker has its own copies; the global pool is waited for when the
    // program ends.
    QThreadPool::globalInstance()->start([alive, ground, size, ownPicture, done = std::move(done)] {
        auto picture = std::make_shared<level::WorldPicture>(
            level::paintWorldPicture(ground, size, ownPicture.isNull() ? nullptr : &ownPicture));
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [alive, picture, done] {
                if (alive) done(*picture);
            },
            Qt::QueuedConnection);
    });
    return false;
}

} // namespace tw
