// The pathmap window: a level's picture with one pathmap's blocked ground
// tinted over it (north up, in the Areas page's metres), the control points,
// seed points and strategic areas as layers, and the findings beside it.
// The base level is painted (round brush in metres, rectangle, flood fill;
// left blocks, right frees) and saved with everything that follows from it.
#pragma once

#include "level/world_picture.h"
#include "pathmaps/findings.h"
#include "pathmaps/pathmap_set.h"
#include "platform/services.h"
#include "ui/map_view.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QWidget>

#include <optional>
#include <vector>

namespace tw {

class PathmapWindow : public QWidget {
    Q_OBJECT
public:
    // A strategic area's outline in world metres.
    struct AreaMark {
        QString name;
        double minX = 0, minZ = 0, maxX = 0, maxZ = 0;
        int side = -1;
    };

    explicit PathmapWindow(Services& services, QWidget* parent = nullptr);

    // Shows the pathmaps of an add-on (or level) folder over the picture (a
    // file the map-picture loader reads, over the whole world). Without one,
    // the world picture of `levelFolder` is shown (with `ownPicture`, when
    // given, in its combat area); without either, a plain ground. The level's
    // height map gives the slope and water layers of the shown map. A
    // folder that cannot be used at all is shown as its one finding.
    void open(const std::string& folder, const std::string& picture, std::vector<AreaMark> areas,
              const std::string& levelFolder = {}, const QImage& ownPicture = {});
    // The height map's layers of the shown map, at the height map's samples
    // (null without a height map or a map).
    const QImage& slopeOverlay() const { return slope_; }
    const QImage& waterOverlay() const { return water_; }

    // The tools, in metres; `block` is the left button, else the right.
    void brushStroke(const std::vector<QPointF>& points, bool block);
    void rectangle(QPointF corner, QPointF other, bool block);
    void floodFill(QPointF at, bool block);
    void undo();
    void redo();
    void save();
    // A finding of the list: its map and level, and its place zoomed in on
    // and marked.
    void chooseFinding(int row);
    // From elsewhere (the add-on's check): a search map; a place on it,
    // through its finding in the list when there is one.
    void goToMap(const QString& map);
    void goToPlace(const QString& map, QPointF at);
    // The place marked on the view, if any.
    const std::optional<QPointF>& markedPlace() const { return mark_; }
    // For an image editor: the shown level as a PNG (north up, black free,
    // white blocked), and a base level read from a picture of its size.
    void exportPicture();
    void importPicture();

    const std::optional<pathmaps::PathmapSet>& pathmaps() const { return set_; }
    const std::vector<pathmaps::Finding>& findings() const { return findings_; }
    const std::vector<AreaMark>& areas() const { return areas_; }
    int shownMap() const { return mapChoice->currentIndex(); }
    int shownLevel() const;
    // The tint over the map: one pixel per pixel of the shown level.
    const QImage& overlay() const { return overlay_; }

    MapView* view;
    QComboBox* mapChoice;
    QComboBox* levelChoice;
    QCheckBox* layerBlocked;
    QCheckBox* layerControlPoints;
    QCheckBox* layerSeeds;
    QCheckBox* layerAreas;
    QCheckBox* layerSlope;  // ground steeper than the shown map's maxSlope
    QCheckBox* layerWater;  // water deeper than its waterDepth
    QRadioButton* toolBrush;
    QRadioButton* toolRectangle;
    QRadioButton* toolFill;
    QSpinBox* brushMetres;
    QPushButton* undoButton;
    QPushButton* redoButton;
    QPushButton* saveButton;
    QPushButton* exportButton;
    QPushButton* importButton;
    QListWidget* findingsList;
    QLabel* status;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void showMap();
    void showTerrainLayers();
    void showFindings();
    void repaintPixels(const QRect& pixels);  // the overlay and the view, only there
    void zoomTo(QPointF at);                   // close enough to see its pixels, marked
    bool canPaint();
    void beginEdit();
    void endEdit(const QRect& changed);
    double pixelMetres() const;
    QPoint pixelAt(QPointF world) const;
    void setPixel(int x, int z, bool block, QRect& changed);
    QRect dabs(const std::vector<QPointF>& points, bool block);
    void press(QPointF world, Qt::MouseButton button);
    void drag(QPointF world);
    void release(QPointF world, Qt::MouseButton button);

    Services& services_;
    std::optional<pathmaps::PathmapSet> set_;
    std::vector<pathmaps::Finding> findings_;
    std::vector<AreaMark> areas_;
    QImage overlay_;
    std::optional<level::LevelGround> ground_;
    QImage slope_, water_;
    struct Edit {
        size_t map;
        pathmaps::Bitmap before;
    };
    std::vector<Edit> undo_, redo_;
    std::optional<Edit> open_;  // the edit under way (a stroke), kept at its end
    std::optional<QPointF> pressedAt_, lastAt_, hoverAt_;
    bool pressBlocks_ = true;
    QRect stroke_;  // pixels changed by the stroke under way
    bool changedSinceSave_ = false;
    std::optional<QPointF> mark_;
};

} // namespace tw
