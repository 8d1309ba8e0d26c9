// Page t3 "(2) Areas": the map view, the two corner points, the outline, the
// area properties and the neighbour step.
#pragma once

#include "areas/area_set.h"
#include "areas/proposals.h"
#include "areas/work_file.h"
#include "level/world_picture.h"
#include "state/script_guard.h"
#include "ui/map_view.h"
#include "ui/page.h"
#include "ui/widgets.h"
#include "platform/text.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <functional>
#include <optional>

namespace tw {

class AreasPage : public Page {
    Q_OBJECT
public:
    AreasPage(Services& services, state::Conversion& state, QWidget* parent = nullptr);

    // Map view and cursor.
    void Label10zClick();             // load map image
    void movePoint(int dx, int dy);   // Left, Right, Up, Down: one step along an axis
    void RadioButton1Click();         // interval mode
    void RadioButton2Click();         // keypad mode
    // A digit key while the page is shown: 4, 6, 8, 5 move the active point.
    bool digitKey(int key);

    // Outline, properties, neighbours.
    void Label1zClick();   // New Strategic - Area
    void Label2zClick();   // Apply the current point
    void Label8zClick();   // Apply the current area
    void Label9zClick();   // OK: record the area
    void Image2zClick();   // Fertig: start the neighbour step
    void Label16zClick();  // Next one

    // The add-on run has (re)made the add-on folder: offers the areas saved
    // earlier for it, and loads the level's own map picture. Continuing a
    // conversion puts its areas back without asking.
    void addonOpened(bool continuing = false);
    // "Propose areas from control points": leads through one proposed area
    // per control point in the properties box; "Skip" passes one by.
    void proposeFromControlPoints();
    void skipProposal();
    // "Accept all" in the properties box: the shown proposal as the box
    // holds it, then every remaining one as proposed, as repeated "OK"s
    // would record them (one step for Undo).
    void acceptAllProposals();
    // "Accept all" in the neighbour box: "Next one" for every waiting area,
    // each with the neighbours ticked for it (the proposed ones).
    void acceptAllNeighbours();
    // The mouse on the map view: a click moves the active point there; a
    // drag places both points and applies the area.
    void mapClick(QPoint at);
    void mapDrag(QPoint from, QPoint to);
    // Asked when saved areas are found: true continues with them, false
    // starts afresh. A question box unless a test replaces it.
    std::function<bool(const std::string&)> askContinue;
    // The work file in the add-on folder.
    std::string workFile() const;
    // Recorded outlines in list order, with their names and sides.
    std::vector<areas::Outline> outlines() const;
    // The map picture's file, empty for none (then the level's world
    // picture is shown).
    const std::string& picturePath() const { return picturePath_; }
    // "Fit it to the combat area": the loaded picture stands for the level's
    // combat area only, as a picture made of the playable area does; the
    // level's own picture shows around it. "Show it over the whole world"
    // takes that back.
    void fitPictureToCombatArea(bool fit = true);
    bool pictureFitted() const { return fitted_; }
    const QImage& loadedPicture() const { return loadedPicture_; }
    // The level's ground as read after "Start": combat area, tiles, height map.
    const std::optional<level::LevelGround>& levelGround() const { return ground_; }
    // The recorded areas as they stand.
    const areas::AreaSet& areaSet() const { return set_; }
    // The areas still proposed, and which of them the properties box shows.
    const std::vector<areas::Proposal>& proposals() const { return set_.proposals(); }
    size_t proposalShown() const { return set_.proposalShown(); }

    // The area being drawn: its outline once "Apply the current area" has
    // placed it, its name and priority once "OK" has read them; and which
    // corner point the cursor keys move (2 the first, 1 the second, 0 none
    // before the window is shown).
    struct Scratch {
        int32_t AreaMinX = 0, AreaMinY = 0, AreaMaxX = 0, AreaMaxY = 0;
        double AreaCenterX = 0, AreaCenterY = 0;
        int32_t AreaPriority = 0;
        std::string AreaName;
        int32_t ActivePoint = 0;
        bool operator==(const Scratch&) const = default;
    };
    const Scratch& scratch() const { return scratch_; }
    // The window is shown: the cursor keys move the second corner point.
    void windowShown() { scratch_.ActivePoint = 1; }

    // Changing recorded areas: the selected one in the list is edited in
    // the properties box, deleted, or led through the neighbour step alone;
    // every change can be undone and redone.
    void editArea(int row);
    // "Cancel" (or Escape) of the properties box opened by editing an area
    // or by a drag on the map: everything as it was before.
    void cancelEdit();
    void deleteArea(int row);
    void reopenNeighbours(int row);
    void moveArea(int row, QPoint by);  // by whole map-view pixels
    void undo();
    void redo();
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    // The list's commands, also in its context menu.
    QAction* actionEdit;
    QAction* actionDelete;
    QAction* actionNeighbours;
    QAction* actionUndo;
    QAction* actionRedo;

    // Map view, corner points and outline bars.
    MapView* e;
    QLabel* pictureStatus;  // at the foot of the map view: what the picture shows, when it matters
    PictureBox* gruen;
    PictureBox* rot;
    PictureBox* fg;
    PictureBox* fr;
    PictureBox* oben;
    PictureBox* unten;
    PictureBox* links;
    PictureBox* rechts;

    // "Current Point - Options"
    QGroupBox* GroupBox3z;
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    LinkLabel* Label4z;
    LinkLabel* Label5z;
    LinkLabel* Label6z;
    LinkLabel* Label7z;
    QLineEdit* Edit1z;

    // "Options"
    QGroupBox* GroupBox1z;
    LinkLabel* Label10z;
    LinkLabel* Label1z;
    LinkLabel* Label2z;
    LinkLabel* Label8z;
    LinkLabel* LabelPropose;  // Propose areas from control points

    // "Areas" and "Fertig"
    QGroupBox* GroupBox2z;
    QListWidget* ListBox1z;
    QGroupBox* GroupBox4z;
    PictureBox* Image2z;

    // "Area fertigstellen"
    QGroupBox* areafert;
    QLineEdit* Edit2z;
    QLineEdit* Edit3z;
    QLabel* Label11z;
    QCheckBox* leicht;
    QCheckBox* schwer;
    QLabel* Label14z;
    QCheckBox* basis;
    QCheckBox* cp;
    QCheckBox* air;
    QCheckBox* center;
    QCheckBox* strong;
    QCheckBox* Flanke;
    QLabel* Label12z;
    QRadioButton* Team1;
    QRadioButton* Team2;
    QRadioButton* Neutral;
    LinkLabel* Label9z;
    LinkLabel* LabelSkip;       // shown while proposals are led through
    LinkLabel* LabelAcceptAll;  // beside it: the remaining proposals at once
    LinkLabel* LabelCancel;     // shown while a recorded area is edited, or the box came from a drag

    // "Nachbarn"
    QGroupBox* GroupBox5z;
    QLabel* Label3z;
    QLabel* Label13z;
    QListWidget* CheckListBox1;
    LinkLabel* Label16z;
    LinkLabel* LabelAcceptNeighbours;  // "Accept all": "Next one" for every waiting area

    // Off-page buttons whose captions carry the digit mnemonics.
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    QPushButton* BitBtn4;

signals:
    // StrategicAreas.con is written: the packing page comes next.
    void areasWritten();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeBarsAside();
    void explainCaptions();
    void setMoveControlsEnabled(bool enabled);  // Left, Right, Up, Down and the step field
    void resetPoints();
    void finishOutline();  // back to idle after an area: box, bars and points away
    void placeArea(QPoint first, QPoint second);
    // The properties or neighbour box beside the area it asks about, on
    // the map view where it fits there, always inside the page and screen.
    void placeBesideArea(QWidget* box, const areas::AreaBox& area);
    // The cursor and outline as they stand, to be put back by "Cancel".
    struct Cursor {
        std::vector<std::pair<QRect, bool>> widgets;  // points, flags, bars: place and shown
        bool newArea, applyPoint, applyArea;           // Label1z, Label2z, Label8z enabled
        Scratch scratch;
    };
    Cursor cursorState() const;
    void putBack(const Cursor& c);
    std::string boxOpenMessage() const;
    void finishNeighbours(bool all);
    void paintEmptyView(QPainter& painter) const;
    bool pictureMissing() const;
    void readLevelPoints();
    bool mapMouse(QEvent* event);
    std::optional<int> draggableAreaAt(QPoint at) const;
    void showProposal();
    void afterRecording(const std::string& name);
    void tickProposedNeighbours();
    // Every change of the areas: kept for Undo, then shown, saved, and
    // StrategicAreas.con written again when no area waits for its neighbours.
    void change(const std::function<void()>& edit);
    void areasChanged(const areas::AreaSet& before);
    void stepThroughHistory(bool forward);
    void writeScript();
    void setAreas(areas::AreaSet set);
    void showAreas();
    bool boxOpen() const;
    void contextMenu(QPoint at);
    void loadPicture(const std::string& path);
    void readLevelGround();
    void showWorldPicture();
    void showWorldPicture(const level::WorldPicture& picture);
    void showPictureStatus();
    void paintCombatArea(QPainter& painter) const;
    // The picture shown, as the area set keeps it.
    void pictureShown();
    bool restore(const areas::AreaSet& saved);  // true when its picture is shown
    void saveWork();
    void paintOutlines(QPainter& painter) const;
    Scratch scratch_;
    areas::AreaSet set_;
    areas::AreaHistory history_;
    std::optional<size_t> editing_;  // the area the properties box edits
    std::optional<Cursor> beforeDrag_;  // the box came from a drag: what "Cancel" puts back
    int batching_ = 0;                // changes gathered into one step for Undo
    qint64 placeholderKey_ = 0;       // the built-in picture's, shown while the level has none
    std::vector<areas::ControlPoint> levelPoints_;  // shown over the empty view
    std::vector<areas::Proposal> levelProposals_;
    std::optional<int> moving_;      // the area dragged by the mouse
    bool singleStep_ = false;  // the neighbour step for one area only
    std::optional<state::OverwritePlan> askedPlan_;  // asked already by "Next one"
    std::string picturePath_;
    QImage loadedPicture_;  // the picture of picturePath_
    bool fitted_ = false;
    std::optional<level::LevelGround> ground_;
    std::vector<std::string> pictureProblems_;
    int pictureJob_ = 0;  // the latest picture asked for; earlier ones arriving late are dropped
    std::optional<QPoint> pressedAt_, dragTo_;
    bool saveFailed_ = false;
    bool keepWorkFile_ = false;  // an earlier work file that could be neither read nor set aside
};

} // namespace tw
