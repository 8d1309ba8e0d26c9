#include "pathmaps/pathmap_window.h"

#include "areas/picture_loader.h"
#include "pathmaps/pictures.h"
#include "platform/files.h"
#include "ui/world_picture_job.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QPainter>

#include <cmath>

namespace tw {
namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

const QRgb kBlockedTint = qRgba(150, 20, 20, 120);  // premultiplied: red, half transparent

QColor severityColour(pathmaps::Severity s) {
    switch (s) {
    case pathmaps::Severity::Error: return QColor(200, 30, 30);
    case pathmaps::Severity::Warning: return QColor(170, 110, 0);
    default: return QColor(60, 60, 60);
    }
}

} // namespace

PathmapWindow::PathmapWindow(Services& services, QWidget* parent) : QWidget(parent, Qt::Window), services_(services) {
    setObjectName(QStringLiteral("PathmapWindow"));
    setWindowTitle(QStringLiteral("Pathmaps"));
    view = new MapView(this);
    view->setObjectName(QStringLiteral("view"));
    view->setNavigable(true);
    view->setMinimumSize(400, 400);

    auto* panel = new QVBoxLayout;
    auto* choose = new QFormLayout;
    mapChoice = new QComboBox(this);
    mapChoice->setObjectName(QStringLiteral("mapChoice"));
    levelChoice = new QComboBox(this);
    levelChoice->setObjectName(QStringLiteral("levelChoice"));
    choose->addRow(QStringLiteral("Map"), mapChoice);
    choose->addRow(QStringLiteral("Level"), levelChoice);
    panel->addLayout(choose);

    auto* layers = new QGroupBox(QStringLiteral("Layers"), this);
    auto* layerBox = new QVBoxLayout(layers);
    const auto layer = [&](const char* name, const QString& text) {
        auto* c = new QCheckBox(text, layers);
        c->setObjectName(QString::fromLatin1(name));
        c->setChecked(true);
        layerBox->addWidget(c);
        connect(c, &QCheckBox::toggled, this, [this, text](bool on) { view->setLayerShown(text, on); });
        return c;
    };
    layerBlocked = layer("layerBlocked", QStringLiteral("Blocked ground"));
    layerControlPoints = layer("layerControlPoints", QStringLiteral("Control points"));
    layerSeeds = layer("layerSeeds", QStringLiteral("Seed points"));
    layerAreas = layer("layerAreas", QStringLiteral("Strategic areas"));
    // The height map's layers: named with the shown map's values.
    const auto terrainLayer = [&](const char* name, const QString& layerName) {
        auto* c = new QCheckBox(layerName, layers);
        c->setObjectName(QString::fromLatin1(name));
        c->setChecked(true);
        c->setEnabled(false);
        layerBox->addWidget(c);
        connect(c, &QCheckBox::toggled, this, [this, layerName](bool on) { view->setLayerShown(layerName, on); });
        return c;
    };
    layerSlope = terrainLayer("layerSlope", QStringLiteral("Too steep"));
    layerWater = terrainLayer("layerWater", QStringLiteral("Too deep"));
    panel->addWidget(layers);

    auto* tools = new QGroupBox(QStringLiteral("Paint the base level (left blocks, right frees)"), this);
    auto* toolBox = new QVBoxLayout(tools);
    auto* group = new QButtonGroup(this);
    const auto tool = [&](const char* name, const QString& text) {
        auto* r = new QRadioButton(text, tools);
        r->setObjectName(QString::fromLatin1(name));
        group->addButton(r);
        toolBox->addWidget(r);
        return r;
    };
    toolBrush = tool("toolBrush", QStringLiteral("Round brush"));
    brushMetres = new QSpinBox(tools);
    brushMetres->setObjectName(QStringLiteral("brushMetres"));
    brushMetres->setRange(1, 512);
    brushMetres->setValue(16);
    brushMetres->setSuffix(QStringLiteral(" m across"));
    toolBox->addWidget(brushMetres);
    toolRectangle = tool("toolRectangle", QStringLiteral("Rectangle"));
    toolFill = tool("toolFill", QStringLiteral("Flood fill"));
    toolBrush->setChecked(true);
    auto* buttons = new QHBoxLayout;
    undoButton = new QPushButton(QStringLiteral("Undo"), tools);
    undoButton->setObjectName(QStringLiteral("undoButton"));
    undoButton->setShortcut(QKeySequence::Undo);
    redoButton = new QPushButton(QStringLiteral("Redo"), tools);
    redoButton->setObjectName(QStringLiteral("redoButton"));
    redoButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    saveButton = new QPushButton(QStringLiteral("Save"), tools);
    saveButton->setObjectName(QStringLiteral("saveButton"));
    for (QPushButton* b : {undoButton, redoButton, saveButton}) buttons->addWidget(b);
    toolBox->addLayout(buttons);
    auto* pictures = new QHBoxLayout;
    exportButton = new QPushButton(QStringLiteral("Export PNG..."), tools);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    importButton = new QPushButton(QStringLiteral("Import base level..."), tools);
    importButton->setObjectName(QStringLiteral("importButton"));
    pictures->addWidget(exportButton);
    pictures->addWidget(importButton);
    toolBox->addLayout(pictures);
    panel->addWidget(tools);

    panel->addWidget(new QLabel(QStringLiteral("Findings (choose one to see its place):"), this));
    findingsList = new QListWidget(this);
    findingsList->setObjectName(QStringLiteral("findingsList"));
    findingsList->setWordWrap(true);
    panel->addWidget(findingsList, 1);
    status = new QLabel(this);
    status->setObjectName(QStringLiteral("status"));
    status->setWordWrap(true);
    panel->addWidget(status);

    auto* side = new QWidget(this);
    side->setLayout(panel);
    side->setFixedWidth(330);
    auto* top = new QHBoxLayout(this);
    top->addWidget(view, 1);
    top->addWidget(side);
    resize(1000, 680);

    // Layers, bottom to top.
    const auto wholeWorld = [this](QPainter& painter, const QRect& exposed, const QImage& image) {
        if (image.isNull()) return;
        const QRectF square = view->widgetRect(0, 0, view->worldSize(), view->worldSize());
        const QRectF shown = square.intersected(QRectF(exposed));
        if (shown.isEmpty()) return;
        const double px = image.width() / square.width(), py = image.height() / square.height();
        painter.drawImage(shown, image,
                          QRectF((shown.left() - square.left()) * px, (shown.top() - square.top()) * py,
                                 shown.width() * px, shown.height() * py));
    };
    view->addLayer(QStringLiteral("Too deep"),
                   [this, wholeWorld](QPainter& painter, const QRect& exposed) { wholeWorld(painter, exposed, water_); });
    view->addLayer(QStringLiteral("Too steep"),
                   [this, wholeWorld](QPainter& painter, const QRect& exposed) { wholeWorld(painter, exposed, slope_); });
    view->addLayer(QStringLiteral("Blocked ground"), [this](QPainter& painter, const QRect& exposed) {
        if (overlay_.isNull()) return;
        const QRectF square = view->widgetRect(0, 0, view->worldSize(), view->worldSize());
        const QRectF shown = square.intersected(QRectF(exposed));
        if (shown.isEmpty()) return;
        const double px = overlay_.width() / square.width(), py = overlay_.height() / square.height();
        painter.drawImage(shown, overlay_,
                          QRectF((shown.left() - square.left()) * px, (shown.top() - square.top()) * py,
                                 shown.width() * px, shown.height() * py));
    });
    view->addLayer(QStringLiteral("Control points"), [this](QPainter& painter, const QRect&) {
        if (!set_) return;
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Qt::white, 2));
        painter.setBrush(QColor(30, 30, 30));
        for (const auto& p : set_->controlPoints()) painter.drawEllipse(view->toWidget(p.x, p.z), 6, 6);
    });
    view->addLayer(QStringLiteral("Seed points"), [this](QPainter& painter, const QRect&) {
        if (!set_ || mapChoice->currentIndex() < 0) return;
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(60, 230, 60), 3, Qt::SolidLine, Qt::FlatCap));
        // The cross leaves its middle open, the size of the pathmap pixel
        // under the seed, so that one shows whether the seed stands free.
        const double gap = std::max(3.0, pixelMetres() * view->pixelsPerMetre() * 0.75 + 2);
        for (const auto& p : set_->maps()[static_cast<size_t>(mapChoice->currentIndex())].declared.seeds) {
            const QPointF c = view->toWidget(p.x, p.z);
            for (const QPointF d : {QPointF(-1, -1), QPointF(1, 1), QPointF(-1, 1), QPointF(1, -1)})
                painter.drawLine(c + d * (gap / 1.41421356), c + d * ((gap + 7) / 1.41421356));
        }
    });
    view->addLayer(QStringLiteral("Strategic areas"), [this](QPainter& painter, const QRect&) {
        for (const AreaMark& a : areas_)
            paintAreaOutline(painter, view->widgetRect(a.minX, a.minZ, a.maxX, a.maxZ), a.name, sideColour(a.side),
                             QPen(sideColour(a.side), 2));
    });
    // The place of the chosen finding: a ring around it, open in the middle.
    view->addLayer(QStringLiteral("Chosen place"), [this](QPainter& painter, const QRect&) {
        if (!mark_) return;
        painter.setRenderHint(QPainter::Antialiasing);
        const QPointF c = view->toWidget(mark_->x(), mark_->y());
        // Outside a seed's cross there.
        const double r = pixelMetres() * view->pixelsPerMetre() * 0.75 + 17;
        for (const auto& [colour, width] : {std::pair{QColor(20, 20, 20), 5}, std::pair{QColor(255, 220, 0), 3}}) {
            painter.setPen(QPen(colour, width));
            painter.setBrush(Qt::NoBrush);
            painter.drawEllipse(c, r, r);
            for (const QPointF d : {QPointF(1, 0), QPointF(-1, 0), QPointF(0, 1), QPointF(0, -1)})
                painter.drawLine(c + d * (r + 4), c + d * (r + 12));
        }
    });
    // The brush under the mouse, and the rectangle being drawn.
    view->setMouseTracking(true);
    connect(toolBrush, &QRadioButton::toggled, view, [this] { view->update(); });
    connect(view, &MapView::hovered, this, [this](QPointF at) {
        if (!toolBrush->isChecked()) return;
        const auto area = [this](QPointF c) {
            const double r = brushMetres->value() / 2.0;
            return view->widgetRect(c.x() - r, c.y() - r, c.x() + r, c.y() + r).toAlignedRect().adjusted(-2, -2, 2, 2);
        };
        if (hoverAt_) view->update(area(*hoverAt_));
        hoverAt_ = at;
        view->update(area(at));
    });
    view->addLayer(QStringLiteral("Tool"), [this](QPainter& painter, const QRect&) {
        if (hoverAt_ && toolBrush->isChecked()) {
            const double r = brushMetres->value() / 2.0;
            painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
            painter.drawEllipse(view->widgetRect(hoverAt_->x() - r, hoverAt_->y() - r, hoverAt_->x() + r,
                                                 hoverAt_->y() + r));
        }
        if (!pressedAt_ || !lastAt_ || !toolRectangle->isChecked()) return;
        painter.setPen(QPen(pressBlocks_ ? QColor(255, 80, 80) : QColor(Qt::white), 1, Qt::DashLine));
        painter.drawRect(QRectF(view->toWidget(pressedAt_->x(), pressedAt_->y()),
                                view->toWidget(lastAt_->x(), lastAt_->y())).normalized());
    });

    const auto guardedly = [this](auto handler) {
        return [this, handler] { guarded(services_.messages, handler); };
    };
    connect(mapChoice, &QComboBox::currentIndexChanged, this, guardedly([this] {
                levelChoice->blockSignals(true);
                levelChoice->clear();
                if (set_ && mapChoice->currentIndex() >= 0) {
                    const auto& m = set_->maps()[static_cast<size_t>(mapChoice->currentIndex())];
                    for (const auto& l : m.levels) levelChoice->addItem(QString::number(l.level));
                }
                levelChoice->blockSignals(false);
                showMap();
            }));
    connect(levelChoice, &QComboBox::currentIndexChanged, this, guardedly([this] { showMap(); }));
    connect(undoButton, &QPushButton::clicked, this, guardedly([this] { undo(); }));
    connect(redoButton, &QPushButton::clicked, this, guardedly([this] { redo(); }));
    connect(saveButton, &QPushButton::clicked, this, guardedly([this] { save(); }));
    connect(exportButton, &QPushButton::clicked, this, guardedly([this] { exportPicture(); }));
    connect(importButton, &QPushButton::clicked, this, guardedly([this] { importPicture(); }));
    connect(findingsList, &QListWidget::currentRowChanged, this, [this](int row) { chooseFinding(row); });
    connect(view, &MapView::pressed, this,
            [this](QPointF at, Qt::MouseButton b) { guarded(services_.messages, [&] { press(at, b); }); });
    connect(view, &MapView::dragged, this, [this](QPointF at) { guarded(services_.messages, [&] { drag(at); }); });
    connect(view, &MapView::released, this,
            [this](QPointF at, Qt::MouseButton b) { guarded(services_.messages, [&] { release(at, b); }); });
}

void PathmapWindow::open(const std::string& folder, const std::string& picture, std::vector<AreaMark> areas,
                         const std::string& levelFolder, const QImage& ownPicture) {
    areas_ = std::move(areas);
    undo_.clear();
    redo_.clear();
    set_.reset();
    findings_.clear();
    try {
        set_ = pathmaps::PathmapSet::open(folder);
        findings_ = pathmaps::findings(*set_);
    } catch (const std::exception&) {
        findings_ = pathmaps::checkFolder(folder);  // the one finding that says why
    }
    ground_.reset();
    if (!levelFolder.empty() && folderExists(levelFolder))
        ground_ = level::readLevelGround(levelFolder, set_ ? std::optional<int>(set_->worldSize()) : std::nullopt);
    QImage ground;
    if (!picture.empty() && ownPicture.isNull()) {
        try {
            ground = areas::loadMapPicture(picture);
        } catch (const std::exception& e) {
            status->setText(QStringLiteral("The level's picture cannot be shown: ") + q(e.what()));
        }
    }
    const bool world = ground.isNull() && ground_ && ground_->worldSize > 0;
    if (ground.isNull()) {
        ground = QImage(64, 64, QImage::Format_RGB32);
        ground.fill(QColor(96, 110, 84));
    }
    view->setPicture(ground);
    if (world) {
        // The same picture as the Areas page's, finer for zooming in.
        const int size = std::min(2048, std::max(1024, ground_->worldSize / 2));
        paintWorldPictureFor(this, *ground_, size, ownPicture, [this](const level::WorldPicture& p) {
            view->setPicture(p.image);
            QString sources;
            for (const level::Source& s : p.sources) sources += q(s.text) + "\n";
            for (const std::string& problem : p.problems) sources += QStringLiteral("Passed over: ") + q(problem) + "\n";
            view->setToolTip(sources.trimmed());
        });
    }
    if (set_) view->setWorldSize(set_->worldSize());
    else if (ground_ && ground_->worldSize > 0) view->setWorldSize(ground_->worldSize);
    view->fitWorld();
    setWindowTitle(QStringLiteral("Pathmaps - ") + q(folder));
    mapChoice->blockSignals(true);
    mapChoice->clear();
    if (set_)
        for (const auto& m : set_->maps()) mapChoice->addItem(q(m.declared.name));
    mapChoice->blockSignals(false);
    mapChoice->setCurrentIndex(-1);
    if (mapChoice->count() > 0) mapChoice->setCurrentIndex(0);
    else showMap();
    showFindings();
}

// Ground steeper than the shown map's maxSlope and water deeper than its
// waterDepth, from the level's height map: what the game blocks before it
// draws objects and floods from the seeds.
void PathmapWindow::showTerrainLayers() {
    slope_ = water_ = QImage();
    const int map = mapChoice->currentIndex();
    const bool can = set_ && map >= 0 && ground_ && ground_->heights;
    layerSlope->setEnabled(can);
    layerWater->setEnabled(can && ground_->terrain.waterLevel.has_value());
    if (!can) {
        layerSlope->setText(QStringLiteral("Too steep (needs the level's height map)"));
        layerWater->setText(QStringLiteral("Too deep (needs the level's height map)"));
        return;
    }
    const pathmaps::SearchMap& m = set_->maps()[static_cast<size_t>(map)].declared;
    const int side = std::min(1024, ground_->heights->side());
    slope_ = level::slopeLayer(*ground_->heights, m.maxSlope, side);
    layerSlope->setText(QStringLiteral("Steeper than %1\u00B0 (%2's maxSlope)").arg(m.maxSlope).arg(q(m.name)));
    if (ground_->terrain.waterLevel) {
        water_ = level::waterLayer(*ground_->heights, *ground_->terrain.waterLevel, m.waterDepth, side);
        layerWater->setText(QStringLiteral("Water deeper than %1 m (%2's waterDepth)").arg(m.waterDepth).arg(q(m.name)));
    } else {
        layerWater->setText(QStringLiteral("Too deep (the level names no water level)"));
    }
}

int PathmapWindow::shownLevel() const {
    if (!set_ || mapChoice->currentIndex() < 0 || levelChoice->currentIndex() < 0) return -1;
    return levelChoice->currentText().toInt();
}

double PathmapWindow::pixelMetres() const { return std::ldexp(1.0, std::max(0, shownLevel())); }

// The tint of the shown level: blocked pixels red and half transparent,
// north up (the file's row 0 is the south edge).
void PathmapWindow::showMap() {
    showTerrainLayers();
    overlay_ = QImage();
    undoButton->setEnabled(!undo_.empty());
    redoButton->setEnabled(!redo_.empty());
    const int map = mapChoice->currentIndex();
    if (!set_ || map < 0 || levelChoice->currentIndex() < 0) {
        view->update();
        return;
    }
    const auto& level = set_->maps()[static_cast<size_t>(map)].levels[static_cast<size_t>(levelChoice->currentIndex())];
    const bool base = levelChoice->currentIndex() == 0;
    if (level.map.empty() && !base) {
        status->setText(q(level.problem));
        view->update();
        return;
    }
    // A missing or damaged base is shown untinted; painting starts it all free.
    if (base && set_->hasBase(static_cast<size_t>(map))) {
        const int side = set_->base(static_cast<size_t>(map)).side();
        overlay_ = QImage(side, side, QImage::Format_ARGB32_Premultiplied);
        repaintPixels(QRect(0, 0, side, side));
    } else if (!base) {
        overlay_ = QImage(level.map.side(), level.map.side(), QImage::Format_ARGB32_Premultiplied);
        repaintPixels(QRect(0, 0, level.map.side(), level.map.side()));
    }
    status->setText(!level.problem.empty()
                        ? q(level.problem) + QStringLiteral(" Painting starts from an all-free level.")
                    : base ? QStringLiteral("Level %1 is the base: paint it here; the levels above follow from it "
                                            "on Save.").arg(level.level)
                           : QStringLiteral("Level %1 follows from the base level; choose level %2 to paint.")
                                 .arg(level.level)
                                 .arg(set_->baseLevel(static_cast<size_t>(map))));
    view->update();
}

void PathmapWindow::repaintPixels(const QRect& pixels) {
    if (overlay_.isNull()) return;
    const int map = mapChoice->currentIndex();
    const bool base = levelChoice->currentIndex() == 0;
    const auto& level = set_->maps()[static_cast<size_t>(map)].levels[static_cast<size_t>(levelChoice->currentIndex())];
    const pathmaps::Bitmap& bits = base ? set_->base(static_cast<size_t>(map)) : level.map;
    const QRect r = pixels.intersected(QRect(0, 0, bits.side(), bits.side()));
    const int side = bits.side();
    for (int z = r.top(); z <= r.bottom(); ++z) {
        auto* line = reinterpret_cast<QRgb*>(overlay_.scanLine(side - 1 - z));
        for (int x = r.left(); x <= r.right(); ++x) line[x] = bits.blocked(x, z) ? kBlockedTint : 0;
    }
    const double m = pixelMetres();
    view->update(view->widgetRect(r.left() * m, r.top() * m, (r.right() + 1) * m, (r.bottom() + 1) * m)
                     .toAlignedRect()
                     .adjusted(-1, -1, 1, 1));
}

void PathmapWindow::showFindings() {
    findingsList->blockSignals(true);
    findingsList->clear();
    for (const auto& f : findings_) {
        // Severity, map and level on the first line, the text below.
        QString head = QString::fromLatin1(pathmaps::severityName(f.severity));
        if (!f.map.empty()) head += QStringLiteral(" - ") + q(f.map);
        if (f.level >= 0) head += QStringLiteral(", level %1").arg(f.level);
        if (f.place) head += QStringLiteral(", at %1/%2").arg(std::lround(f.place->x)).arg(std::lround(f.place->z));
        auto* item = new QListWidgetItem(head + QLatin1Char('\n') + q(f.text), findingsList);
        item->setForeground(severityColour(f.severity));
    }
    findingsList->blockSignals(false);
}

void PathmapWindow::chooseFinding(int row) {
    if (row < 0 || row >= static_cast<int>(findings_.size())) return;
    const pathmaps::Finding& f = findings_[static_cast<size_t>(row)];
    for (int i = 0; i < mapChoice->count(); ++i)
        if (mapChoice->itemText(i) == q(f.map)) {
            mapChoice->setCurrentIndex(i);
            const int l = levelChoice->findText(QString::number(f.level));
            if (l >= 0) levelChoice->setCurrentIndex(l);
        }
    if (f.place) zoomTo(QPointF(f.place->x, f.place->z));
    else mark_.reset(), view->update();
}

void PathmapWindow::goToMap(const QString& map) {
    const int i = mapChoice->findText(map);
    if (i >= 0) mapChoice->setCurrentIndex(i);
}

void PathmapWindow::goToPlace(const QString& map, QPointF at) {
    for (size_t row = 0; row < findings_.size(); ++row) {
        const pathmaps::Finding& f = findings_[row];
        if (q(f.map) == map && f.place && std::abs(f.place->x - at.x()) < 0.5 && std::abs(f.place->z - at.y()) < 0.5) {
            findingsList->setCurrentRow(static_cast<int>(row));  // chooses it
            return;
        }
    }
    goToMap(map);
    zoomTo(at);
}

void PathmapWindow::zoomTo(QPointF at) {
    // About 128 metres across the view's shorter side: the pathmap's pixels
    // around the place show one by one.
    constexpr double kMetresAcross = 128;
    view->fitWorld();
    const double wanted = std::max(1, std::min(view->width(), view->height())) / kMetresAcross;
    view->zoomBy(wanted / view->pixelsPerMetre(), QPointF(view->width() / 2.0, view->height() / 2.0));
    view->centreOn(at.x(), at.y());
    mark_ = at;
    view->update();
}

bool PathmapWindow::canPaint() {
    if (!set_ || mapChoice->currentIndex() < 0) return false;
    if (levelChoice->currentIndex() != 0) {
        services_.messages.info("Only the base level is painted; the levels above follow from it on Save. Choose "
                                "level " + std::to_string(set_->baseLevel(static_cast<size_t>(mapChoice->currentIndex()))) +
                                " to paint.");
        return false;
    }
    return true;
}

QPoint PathmapWindow::pixelAt(QPointF world) const {
    const double m = pixelMetres();
    return {static_cast<int>(std::floor(world.x() / m)), static_cast<int>(std::floor(world.y() / m))};
}

void PathmapWindow::setPixel(int x, int z, bool block, QRect& changed) {
    pathmaps::Bitmap& bits = set_->editBase(static_cast<size_t>(mapChoice->currentIndex()));
    if (x < 0 || z < 0 || x >= bits.side() || z >= bits.side() || bits.blocked(x, z) == block) return;
    bits.set(x, z, block);
    changed |= QRect(x, z, 1, 1);
}

void PathmapWindow::beginEdit() {
    const auto map = static_cast<size_t>(mapChoice->currentIndex());
    const bool had = set_->hasBase(map);
    open_ = Edit{map, set_->editBase(map)};
    if (!had) showMap();  // the base begins now, all free
}

void PathmapWindow::endEdit(const QRect& changed) {
    if (open_ && !changed.isEmpty()) {
        undo_.push_back(std::move(*open_));
        redo_.clear();
        changedSinceSave_ = true;
    }
    open_.reset();
    undoButton->setEnabled(!undo_.empty());
    redoButton->setEnabled(!redo_.empty());
}

void PathmapWindow::brushStroke(const std::vector<QPointF>& points, bool block) {
    if (points.empty() || !canPaint()) return;
    beginEdit();
    endEdit(dabs(points, block));
}

// Round dabs along the points; repaints only the pixels that changed.
QRect PathmapWindow::dabs(const std::vector<QPointF>& points, bool block) {
    QRect changed;
    const double m = pixelMetres(), radius = brushMetres->value() / 2.0;
    QPointF from = points.front();
    for (const QPointF& to : points) {
        // Dabs along the segment, half a pixel apart.
        const double length = std::hypot(to.x() - from.x(), to.y() - from.y());
        const int steps = std::max(1, static_cast<int>(std::ceil(length / (m / 2))));
        for (int s = 0; s <= steps; ++s) {
            const QPointF c = from + (to - from) * (double(s) / steps);
            const QPoint lo = pixelAt(c - QPointF(radius, radius)), hi = pixelAt(c + QPointF(radius, radius));
            setPixel(pixelAt(c).x(), pixelAt(c).y(), block, changed);  // at least the pixel under the brush
            for (int z = lo.y(); z <= hi.y(); ++z)
                for (int x = lo.x(); x <= hi.x(); ++x) {
                    const double dx = (x + 0.5) * m - c.x(), dz = (z + 0.5) * m - c.y();
                    if (dx * dx + dz * dz <= radius * radius) setPixel(x, z, block, changed);
                }
        }
        from = to;
    }
    repaintPixels(changed);
    return changed;
}

void PathmapWindow::rectangle(QPointF corner, QPointF other, bool block) {
    if (!canPaint()) return;
    beginEdit();
    QRect changed;
    const QRect r = QRect(pixelAt(corner), pixelAt(other)).normalized();
    for (int z = r.top(); z <= r.bottom(); ++z)
        for (int x = r.left(); x <= r.right(); ++x) setPixel(x, z, block, changed);
    repaintPixels(changed);
    endEdit(changed);
}

// Every pixel joined side by side to the one under `at` that is as it is
// becomes blocked (or free).
void PathmapWindow::floodFill(QPointF at, bool block) {
    if (!canPaint()) return;
    const pathmaps::Bitmap& bits = set_->editBase(static_cast<size_t>(mapChoice->currentIndex()));
    const QPoint start = pixelAt(at);
    const int side = bits.side();
    if (start.x() < 0 || start.y() < 0 || start.x() >= side || start.y() >= side) return;
    const bool from = bits.blocked(start.x(), start.y());
    if (from == block) return;
    beginEdit();
    QRect changed;
    std::vector<QPoint> stack{start};
    while (!stack.empty()) {
        const QPoint p = stack.back();
        stack.pop_back();
        if (p.x() < 0 || p.y() < 0 || p.x() >= side || p.y() >= side || bits.blocked(p.x(), p.y()) != from) continue;
        setPixel(p.x(), p.y(), block, changed);
        stack.insert(stack.end(), {p + QPoint(1, 0), p - QPoint(1, 0), p + QPoint(0, 1), p - QPoint(0, 1)});
    }
    repaintPixels(changed);
    endEdit(changed);
}

void PathmapWindow::undo() {
    if (undo_.empty()) return;
    Edit e = std::move(undo_.back());
    undo_.pop_back();
    pathmaps::Bitmap& bits = set_->editBase(e.map);
    redo_.push_back({e.map, bits});
    bits = std::move(e.before);
    mapChoice->setCurrentIndex(static_cast<int>(e.map));
    levelChoice->setCurrentIndex(0);
    showMap();
}

void PathmapWindow::redo() {
    if (redo_.empty()) return;
    Edit e = std::move(redo_.back());
    redo_.pop_back();
    pathmaps::Bitmap& bits = set_->editBase(e.map);
    undo_.push_back({e.map, bits});
    bits = std::move(e.before);
    mapChoice->setCurrentIndex(static_cast<int>(e.map));
    levelChoice->setCurrentIndex(0);
    showMap();
}

void PathmapWindow::save() {
    if (!set_) return;
    const pathmaps::SaveResult result = set_->save();
    changedSinceSave_ = false;
    findings_ = pathmaps::findings(*set_);
    showFindings();
    showMap();
    std::string text = "Saved " + std::to_string(result.written.size()) + " pathmap files into " +
                       set_->pathfindingFolder() + ".";
    if (result.originalsKept) text += " The game's files are kept in " + result.originals + ".";
    status->setText(q(text));
}

void PathmapWindow::exportPicture() {
    const int map = mapChoice->currentIndex();
    if (!set_ || map < 0 || levelChoice->currentIndex() < 0) return;
    const auto& state = set_->maps()[static_cast<size_t>(map)];
    const auto& level = state.levels[static_cast<size_t>(levelChoice->currentIndex())];
    const pathmaps::Bitmap& bits = levelChoice->currentIndex() == 0 && set_->hasBase(static_cast<size_t>(map))
                                       ? set_->base(static_cast<size_t>(map))
                                       : level.map;
    if (bits.empty()) throw AppError(level.problem);
    const std::string name = state.declared.name + "Level" + std::to_string(level.level) + "Map.png";
    const auto chosen = services_.dialogs.choose({FileDialogRequest::Kind::Save, "exportPicture", "PNG picture|*.png",
                                                  name, set_->pathfindingFolder()});
    if (!chosen) return;
    pathmaps::writePicture(bits, *chosen);
    status->setText(QStringLiteral("Written: ") + q(*chosen));
}

// The picture replaces the base level as one step to undo; nothing is
// written before "Save".
void PathmapWindow::importPicture() {
    if (!canPaint()) return;
    const auto map = static_cast<size_t>(mapChoice->currentIndex());
    const auto chosen = services_.dialogs.choose({FileDialogRequest::Kind::Picture, "importPicture",
                                                  areas::kPictureFilter, {}, set_->pathfindingFolder()});
    if (!chosen) return;
    const int side = set_->worldSize() >> set_->baseLevel(map);
    pathmaps::Bitmap picture = pathmaps::readPicture(*chosen, side);  // refused before anything changes
    beginEdit();
    set_->replaceBase(map, std::move(picture));
    showMap();
    endEdit(QRect(0, 0, side, side));
}

void PathmapWindow::press(QPointF at, Qt::MouseButton button) {
    pressBlocks_ = button == Qt::LeftButton;
    if (toolFill->isChecked()) return floodFill(at, pressBlocks_);
    if (!canPaint()) return;
    pressedAt_ = lastAt_ = at;
    if (toolBrush->isChecked()) {
        beginEdit();  // the whole stroke is one edit
        stroke_ = dabs({at}, pressBlocks_);
    }
}

void PathmapWindow::drag(QPointF at) {
    if (pressedAt_ && toolRectangle->isChecked()) {
        lastAt_ = at;
        view->update();
    }
    if (!pressedAt_ || !toolBrush->isChecked()) return;
    const QPointF from = *lastAt_;
    lastAt_ = at;
    stroke_ |= dabs({from, at}, pressBlocks_);
}

void PathmapWindow::release(QPointF at, Qt::MouseButton) {
    if (!pressedAt_) return;
    if (toolRectangle->isChecked()) rectangle(*pressedAt_, at, pressBlocks_);
    else if (toolBrush->isChecked()) endEdit(stroke_);
    stroke_ = QRect();
    pressedAt_.reset();
    lastAt_.reset();
    view->update();
}

// Painted and not saved: asked before the window closes.
void PathmapWindow::closeEvent(QCloseEvent* event) {
    if (!changedSinceSave_) return event->accept();
    const int answer = services_.messages.ask(
        "The pathmaps of " + (set_ ? set_->pathfindingFolder() : std::string()) +
            " were painted and not saved. Save them before the window closes?",
        {"Save", "Close without saving", "Cancel"});
    if (answer == 0) {
        bool saved = false;
        guarded(services_.messages, [&] {
            save();
            saved = true;
        });
        if (!saved) return event->ignore();
    }
    answer == 2 ? event->ignore() : event->accept();
}

} // namespace tw
