#include "areas/areas_page.h"
#include "state/script_guard.h"

#include "ui/pictures.h"
#include "areas/area_name.h"
#include "areas/area_script.h"
#include "areas/picture_loader.h"
#include "ui/world_picture_job.h"
#include "platform/fd_io.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>
#include <QTimer>

#include <filesystem>
#include <optional>
#include <utility>

namespace tw {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

QLabel* underlinedLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
    QLabel* l = label(parent, name, text, x, y);
    QFont f = l->font();
    f.setUnderline(true);
    l->setFont(f);
    l->adjustSize();
    return l;
}

} // namespace

AreasPage::AreasPage(Services& services, state::Conversion& state, QWidget* parent)
    : Page("t3", services, state, parent) {
    // Pictures first, so every box lies above them.
    e = named(new MapView(this), "e");
    e->setGeometry(0, 0, 512, 512);
    e->setPicture(pictures::mapPlaceholder());
    placeholderKey_ = e->picture().cacheKey();
    e->setMouseTracking(true);  // the selected area shows that it can be dragged
    e->addLayer(QStringLiteral("Combat area"), [this](QPainter& painter, const QRect&) { paintCombatArea(painter); });
    // Under the areas: what is missing while the level has no picture.
    e->addLayer(QStringLiteral("Level"), [this](QPainter& painter, const QRect&) { paintEmptyView(painter); });
    e->addLayer(QStringLiteral("Areas"), [this](QPainter& painter, const QRect&) { paintOutlines(painter); });
    const QImage bar = pictures::solid(pictures::kPointGreen);
    oben = pictureBox(this, "oben", bar, 0, 0, 100, 5, false);
    unten = pictureBox(this, "unten", bar, 0, 0, 100, 5, false);
    links = pictureBox(this, "links", bar, 0, 0, 5, 100, false);
    rechts = pictureBox(this, "rechts", bar, 0, 0, 5, 100, false);
    placeBarsAside();
    gruen = pictureBox(this, "gruen", pictures::solid(pictures::kPointGreen), 304, 264, 1, 1, false);
    rot = pictureBox(this, "rot", pictures::solid(pictures::kPointRed), 341, 264, 1, 1, false);
    fg = pictureBox(this, "fg", pictures::flag(pictures::kPointGreen), 280, 216, 41, 49, false);
    fr = pictureBox(this, "fr", pictures::flag(pictures::kPointRed), 317, 216, 41, 49, false);
    pictureStatus = named(new QLabel(this), "pictureStatus");
    pictureStatus->setGeometry(0, 492, 512, 20);
    pictureStatus->setWordWrap(true);
    pictureStatus->setTextFormat(Qt::RichText);
    pictureStatus->setStyleSheet(QStringLiteral("QLabel#pictureStatus { background-color: rgba(0, 0, 0, 170); "
                                                "color: white; padding: 2px 4px; }"));
    pictureStatus->hide();
    connect(pictureStatus, &QLabel::linkActivated, this, [this](const QString& link) {
        guarded(services_.messages, [&] { fitPictureToCombatArea(link == QLatin1String("fit")); });
    });

    GroupBox3z = groupBox(this, "GroupBox3z", QStringLiteral("Current Point - Options"), 520, 0, 217, 137);
    RadioButton1 = radioButton(GroupBox3z, "RadioButton1", QStringLiteral("Interval Settings / Key-Movement"), 6, 24);
    Label6z = linkLabel(GroupBox3z, "Label6z", QStringLiteral("Up"), 96, 52);
    Label4z = linkLabel(GroupBox3z, "Label4z", QStringLiteral("Left"), 11, 72);
    Edit1z = named(new QLineEdit(QStringLiteral("1"), GroupBox3z), "Edit1z");
    Edit1z->setGeometry(93, 67, 33, 21);
    makeGreyWhite(Edit1z);
    Label5z = linkLabel(GroupBox3z, "Label5z", QStringLiteral("Right"), 163, 72);
    Label7z = linkLabel(GroupBox3z, "Label7z", QStringLiteral("Down"), 96, 91);
    RadioButton2 = radioButton(GroupBox3z, "RadioButton2", QStringLiteral("Use Numpad-Keys to move around"), 8, 112);
    setMoveControlsEnabled(false);

    // "Options" is 16 pixels taller than the four commands need, so that the
    // proposal command has a row of its own inside the frame; "Areas" gives
    // up those 16 pixels at its top.
    GroupBox1z = groupBox(this, "GroupBox1z", QStringLiteral("Options"), 520, 142, 217, 121);
    Label10z = linkLabel(GroupBox1z, "Label10z", QStringLiteral("Load map image"), 64, 24);
    Label1z = linkLabel(GroupBox1z, "Label1z", QStringLiteral("New Strategic - Area"), 56, 47);
    Label2z = linkLabel(GroupBox1z, "Label2z", QStringLiteral("Apply the current point"), 48, 63);
    Label8z = linkLabel(GroupBox1z, "Label8z", QStringLiteral("Apply the current area"), 48, 79);
    LabelPropose = linkLabel(GroupBox1z, "LabelPropose", QStringLiteral("Propose areas from control points"), 20, 97);
    LabelPropose->move((GroupBox1z->width() - LabelPropose->width()) / 2, 97);
    Label2z->setEnabled(false);
    Label8z->setEnabled(false);

    GroupBox2z = groupBox(this, "GroupBox2z", QStringLiteral("Areas"), 519, 267, 226, 253);
    GroupBox2z->setStyleSheet(QStringLiteral("QGroupBox#GroupBox2z { background-color: #c0c0c0; }"));
    ListBox1z = named(new QListWidget(GroupBox2z), "ListBox1z");
    ListBox1z->setGeometry(8, 16, 209, 227);
    makeGreyWhite(ListBox1z);

    GroupBox4z = groupBox(this, "GroupBox4z", QStringLiteral("Fertig"), 0, 521, 745, 64);
    Image2z = pictureBox(GroupBox4z, "Image2z", pictures::doneBanner(), 8, 16, 713, 41, true);

    areafert = groupBox(this, "areafert", QStringLiteral("Area fertigstellen"), 10, 4, 161, 345);
    areafert->setStyleSheet(QStringLiteral("QGroupBox#areafert { background-color: #c0c0c0; }"));
    Edit2z = named(new QLineEdit(QStringLiteral("Your area - name here"), areafert), "Edit2z");
    Edit2z->setGeometry(16, 20, 129, 21);
    Edit2z->setToolTip(QStringLiteral("Wie hei\u00DFt deine Area ?"));
    Edit3z = named(new QLineEdit(QStringLiteral("Priority (from 1 - 200)"), areafert), "Edit3z");
    Edit3z->setGeometry(16, 60, 129, 21);
    Edit3z->setToolTip(QStringLiteral("Wie wichtig ist das viech ? (Orientierung: unwichtig 10, wichtig 150)"));
    makeGreyWhite(Edit2z);
    makeGreyWhite(Edit3z);
    Label11z = underlinedLabel(areafert, "Label11z", QStringLiteral("The area features:"), 48, 86);
    leicht = checkBox(areafert, "leicht", QStringLiteral("light vehicles"), 27, 104);
    leicht->setToolTip(QStringLiteral("Jeeps, Boote, etc."));
    schwer = checkBox(areafert, "schwer", QStringLiteral("heavy vehicles"), 27, 120);
    schwer->setToolTip(QStringLiteral("Panzer, Bomber, etc."));
    Label14z = underlinedLabel(areafert, "Label14z", QStringLiteral("What kind of area  ?"), 24, 144);
    basis = checkBox(areafert, "basis", QStringLiteral("Base"), 8, 168);
    cp = checkBox(areafert, "cp", QStringLiteral("ControlPoint"), 80, 168);
    air = checkBox(areafert, "air", QStringLiteral("Airfield"), 8, 184);
    center = checkBox(areafert, "center", QStringLiteral("Center"), 80, 184);
    strong = checkBox(areafert, "strong", QStringLiteral("Struggling Point"), 8, 200);
    Flanke = checkBox(areafert, "Flanke", QStringLiteral("Flank (over the borders)"), 8, 216);
    Label12z = underlinedLabel(areafert, "Label12z", QStringLiteral("Whose control"), 40, 240);
    Team1 = radioButton(areafert, "Team1", QStringLiteral("Team 1"), 48, 264);
    Team2 = radioButton(areafert, "Team2", QStringLiteral("Team2"), 48, 280);
    Neutral = radioButton(areafert, "Neutral", QStringLiteral("Neutral"), 48, 296);
    Label9z = linkLabel(areafert, "Label9z", QStringLiteral("OK"), 72, 328);
    LabelSkip = linkLabel(areafert, "LabelSkip", QStringLiteral("Skip"), 112, 328);
    LabelSkip->hide();
    LabelAcceptAll = linkLabel(areafert, "LabelAcceptAll", QStringLiteral("Accept all"), 10, 328);
    LabelAcceptAll->setToolTip(QStringLiteral("Record this area as the box shows it, then every remaining proposed "
                                              "area as proposed: the same as clicking \"OK\" for each"));
    LabelAcceptAll->hide();
    LabelCancel = linkLabel(areafert, "LabelCancel", QStringLiteral("Cancel"), 104, 328);
    LabelCancel->setToolTip(QStringLiteral("Close the box without recording: everything stays as it was (Escape)"));
    LabelCancel->hide();
    areafert->hide();

    GroupBox5z = groupBox(this, "GroupBox5z", QStringLiteral("Nachbarn"), 136, 1, 393, 208);
    GroupBox5z->setStyleSheet(QStringLiteral("QGroupBox#GroupBox5z { background-color: #c0c0c0; }"));
    Label3z = wrappedLabel(
        GroupBox5z, "Label3z",
        QStringLiteral("T make the KI understand, in which areas they have to go first and what's the best "
                       "possibility for them, you have to select, which areas are neighbours ! Think about your "
                       "decisions and be careful ! Each area will be shown to you, with a click on next one you "
                       "finish the current area und switch to the next one ....   Useful advice: An area "
                       "mustn't be its own neighbour ;)"),
        8, 18, 376, 65);
    Label13z = label(GroupBox5z, "Label13z", QStringLiteral("Area"), 24, 120);
    setTextColor(Label13z, Qt::yellow);
    CheckListBox1 = named(new QListWidget(GroupBox5z), "CheckListBox1");
    CheckListBox1->setGeometry(208, 96, 121, 81);
    makeGreyWhite(CheckListBox1);
    Label16z = linkLabel(GroupBox5z, "Label16z", QStringLiteral("Next one"), 160, 184);
    LabelAcceptNeighbours = linkLabel(GroupBox5z, "LabelAcceptNeighbours", QStringLiteral("Accept all"), 232, 184);
    LabelAcceptNeighbours->setToolTip(
        QStringLiteral("\"Next one\" for this area and every area after it: each takes the neighbours ticked for "
                       "it (those proposed from the control points), and StrategicAreas.con is written"));
    GroupBox5z->hide();

    explainCaptions();

    const char* names[] = {"BitBtn1", "BitBtn2", "BitBtn3", "BitBtn4"};
    const char* captions[] = {"links&4", "rechts&6", "oben&8", "unten&5"};
    QPushButton** buttons[] = {&BitBtn1, &BitBtn2, &BitBtn3, &BitBtn4};
    for (int i = 0; i < 4; ++i) {
        *buttons[i] = named(new QPushButton(QString::fromLatin1(captions[i]), this), names[i]);
        (*buttons[i])->setGeometry(704, 624 + 24 * i, 75, 25);
        (*buttons[i])->setFocusPolicy(Qt::NoFocus);
        // The caption shows the digit; the key itself is taken in
        // eventFilter, so that every press and every key repeat moves the
        // point (a mnemonic clicks a moment later and drops presses in
        // between).
        (*buttons[i])->setShortcut(QKeySequence());
    }
    for (QWidget* w : {static_cast<QWidget*>(gruen), static_cast<QWidget*>(rot), static_cast<QWidget*>(fg),
                       static_cast<QWidget*>(fr), static_cast<QWidget*>(oben), static_cast<QWidget*>(unten),
                       static_cast<QWidget*>(links), static_cast<QWidget*>(rechts)})
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
    e->installEventFilter(this);
    qApp->installEventFilter(this);
    askContinue = [this](const std::string& question) {
        return QMessageBox::question(this, QCoreApplication::applicationName(), q(question),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    };

    on(Label10z, &LinkLabel::clicked, [this] { Label10zClick(); });
    on(Label4z, &LinkLabel::clicked, [this] { movePoint(-1, 0); });
    on(Label5z, &LinkLabel::clicked, [this] { movePoint(1, 0); });
    on(Label6z, &LinkLabel::clicked, [this] { movePoint(0, -1); });
    on(Label7z, &LinkLabel::clicked, [this] { movePoint(0, 1); });
    on(BitBtn1, &QPushButton::clicked, [this] { movePoint(-1, 0); });
    on(BitBtn2, &QPushButton::clicked, [this] { movePoint(1, 0); });
    on(BitBtn3, &QPushButton::clicked, [this] { movePoint(0, -1); });
    on(BitBtn4, &QPushButton::clicked, [this] { movePoint(0, 1); });
    on(RadioButton1, &QRadioButton::clicked, [this] { RadioButton1Click(); });
    on(RadioButton2, &QRadioButton::clicked, [this] { RadioButton2Click(); });
    on(Label1z, &LinkLabel::clicked, [this] { Label1zClick(); });
    on(Label2z, &LinkLabel::clicked, [this] { Label2zClick(); });
    on(Label8z, &LinkLabel::clicked, [this] { Label8zClick(); });
    on(Label9z, &LinkLabel::clicked, [this] { Label9zClick(); });
    on(Image2z, &PictureBox::clicked, [this] { Image2zClick(); });
    on(Label16z, &LinkLabel::clicked, [this] { Label16zClick(); });
    on(LabelPropose, &LinkLabel::clicked, [this] { proposeFromControlPoints(); });
    on(LabelSkip, &LinkLabel::clicked, [this] { skipProposal(); });
    on(LabelAcceptAll, &LinkLabel::clicked, [this] { acceptAllProposals(); });
    on(LabelAcceptNeighbours, &LinkLabel::clicked, [this] { acceptAllNeighbours(); });
    on(LabelCancel, &LinkLabel::clicked, [this] { cancelEdit(); });
    connect(ListBox1z, &QListWidget::currentRowChanged, e, [this] { e->update(); });
    connect(CheckListBox1, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        set_.tick(static_cast<size_t>(CheckListBox1->row(item)), item->checkState() == Qt::Checked);
        e->update();
        saveWork();
    });

    // The list's commands: on the selected area, in its context menu and
    // by key; Undo and Redo anywhere on the page (a text field with the
    // focus keeps them for its own text).
    const auto action = [this](const char* name, const QString& text, const QKeySequence& key,
                               Qt::ShortcutContext where, QWidget* owner, std::function<void()> run) {
        auto* a = new QAction(text, owner);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(key);
        a->setShortcutContext(where);
        owner->addAction(a);
        on(a, &QAction::triggered, std::move(run));
        return a;
    };
    actionEdit = action("actionEdit", QStringLiteral("Edit..."), QKeySequence(Qt::Key_Return), Qt::WidgetShortcut,
                        ListBox1z, [this] { editArea(ListBox1z->currentRow()); });
    actionDelete = action("actionDelete", QStringLiteral("Delete"), QKeySequence::Delete, Qt::WidgetShortcut,
                          ListBox1z, [this] { deleteArea(ListBox1z->currentRow()); });
    actionNeighbours = action("actionNeighbours", QStringLiteral("Choose its neighbours again"), QKeySequence(),
                              Qt::WidgetShortcut, ListBox1z, [this] { reopenNeighbours(ListBox1z->currentRow()); });
    actionUndo = action("actionUndo", QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                        Qt::WidgetWithChildrenShortcut, this, [this] { undo(); });
    actionRedo = action("actionRedo", QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y),
                        Qt::WidgetWithChildrenShortcut, this, [this] { redo(); });
    ListBox1z->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListBox1z, &QListWidget::customContextMenuRequested, this, [this](QPoint at) { contextMenu(at); });
    on(ListBox1z, &QListWidget::itemDoubleClicked, [this] { editArea(ListBox1z->currentRow()); });
}

// The captions stay as they are; their tooltips say in English what each
// control does. The name and priority fields keep their German hints as
// the first line.
void AreasPage::explainCaptions() {
    const auto tip = [](QWidget* w, const char* text) { w->setToolTip(QString::fromUtf8(text)); };
    const auto addTip = [](QWidget* w, const char* text) {
        w->setToolTip(w->toolTip() + QLatin1Char('\n') + QString::fromUtf8(text));
    };
    tip(GroupBox3z, "The corner point being set: the green one first, then the red one");
    tip(RadioButton1, "Move the corner point with Left, Right, Up and Down, by the number of map pixels in the field");
    tip(RadioButton2, "Move the corner point with the keys 4, 6, 8 and 5 (with Alt while a text field has the focus)");
    tip(Label10z, "Choose a picture of the map seen from above (JPEG, bitmap, icon, PNG or DDS); it is stretched over "
                  "the whole map view");
    tip(Label1z, "Start a new area: place its first (green) corner with the keys or a click on the map, or drag "
                 "from corner to corner");
    tip(Label2z, "Keep the first corner and place the second (red) one");
    tip(Label8z, "Take the rectangle between the two corners and open the area's properties");
    tip(LabelPropose, "One area around each control point of the level, offered in turn in the properties box");
    tip(GroupBox4z, "Done (\"Fertig\"): when every area is drawn, click the banner to choose each area's neighbours");
    tip(Image2z, "When every area is drawn: choose each area's neighbours, one area after the other");
    tip(areafert, "Finish the area (\"Area fertigstellen\"): its name, priority, vehicles, kind and side; "
                  "\"OK\" records it");
    addTip(Edit2z, "The area's name in StrategicAreas.con: one word of letters, digits, '_', '-' or '.'");
    addTip(Edit3z, "How much the bots want the area: 1 to 200 (about 10 for an unimportant one, 150 for an "
                   "important one)");
    tip(Label11z, "The vehicles that may use the area");
    addTip(leicht, "Light vehicles (jeeps, boats) go here too: adds the Car order position");
    addTip(schwer, "Heavy vehicles (tanks, bombers) go here too: adds the Tank order position");
    tip(strong, "Written as StrongPoint: an area the sides fight over");
    tip(Flanke, "Written as flank: a way round the front, along the map's edge");
    tip(Label12z, "The side that holds the area at the start");
    tip(Label9z, "Record the area");
    tip(LabelSkip, "Pass this proposed area by without recording it");
    tip(GroupBox5z, "Neighbours (\"Nachbarn\"): for each area in turn, tick the areas that border it");
    tip(Label3z, "KI: the bots' AI. Tick, in the list, the areas that border the area named below, then click "
                 "\"Next one\"; every area comes up in turn. An area is not its own neighbour.");
    tip(Label13z, "\"ist Nachbar von\": \"is a neighbour of\". Tick, in the list, the areas that border this one");
    tip(CheckListBox1, "Every area: tick those that border the area named on the left");
    tip(Label16z, "Keep the ticked neighbours of this area and show the next one; after the last, StrategicAreas.con "
                  "is written");
}

// The bars wait right of the map view, where the "Areas" box covers them.
void AreasPage::placeBarsAside() {
    oben->setGeometry(616, 280, 100, 5);
    unten->setGeometry(631, 431, 100, 5);
    links->setGeometry(616, 290, 5, 100);
    rechts->setGeometry(726, 336, 5, 100);
}

void AreasPage::resetPoints() {
    gruen->move(304, 264);
    fg->move(280, 216);
    rot->move(341, 264);
    fr->move(317, 216);
    for (QWidget* w : {static_cast<QWidget*>(gruen), static_cast<QWidget*>(fg), static_cast<QWidget*>(rot),
                       static_cast<QWidget*>(fr)})
        w->hide();
}

void AreasPage::Label10zClick() {
    FileDialogRequest request{FileDialogRequest::Kind::Picture, "OpenPictureDialog1", areas::kPictureFilter, {}};
    // The dialog opens in the level's folder, with its own map picture
    // chosen when it has one.
    const std::string own = state_.MapDir + "Textures/InGameMap.dds";
    if (!state_.MapDir.empty() && fileExists(own)) request.preselected = platform::utf8FromPath(resolvePath(own));
    else if (!state_.MapDir.empty() && folderExists(state_.MapDir))
        request.preselected = platform::utf8FromPath(resolvePath(state_.MapDir)) + kNativeSeparator;
    const auto chosen = services_.dialogs.choose(request);
    if (!chosen) return;
    loadPicture(*chosen);
}

// A picture the user chose stands for the whole world, as any picture
// loaded into the view does, until it is fitted to the combat area.
void AreasPage::loadPicture(const std::string& path) {
    QImage picture = areas::loadMapPicture(path);
    ++pictureJob_;  // a level picture still being painted is not shown any more
    e->setPicture(picture);
    e->setToolTip(q(path));
    loadedPicture_ = std::move(picture);
    picturePath_ = path;
    fitted_ = false;
    pictureProblems_.clear();
    showPictureStatus();
    pictureShown();
    saveWork();
}

void AreasPage::fitPictureToCombatArea(bool fit) {
    if (loadedPicture_.isNull() || !ground_ || !ground_->combatArea) return;
    fitted_ = fit;
    pictureShown();
    if (!fit) {
        ++pictureJob_;
        e->setPicture(loadedPicture_);
        showPictureStatus();
        saveWork();
        return;
    }
    const int job = ++pictureJob_;
    paintWorldPictureFor(this, *ground_, 512, loadedPicture_, [this, job](const level::WorldPicture& p) {
        if (job == pictureJob_) showWorldPicture(p);
    });
    saveWork();
}

// What the level has for its picture: read once after "Start" (no picture
// is decoded here).
void AreasPage::readLevelGround() {
    ground_.reset();
    if (state_.MapDir.empty() || !folderExists(state_.MapDir)) return;
    ground_ = level::readLevelGround(state_.MapDir, state_.WorldSize > 0 ? std::optional<int>(state_.WorldSize)
                                                                         : std::nullopt);
}

// The level's world picture: its map picture in its combat area, tiles,
// relief; painted off the window's thread when that takes long.
void AreasPage::showWorldPicture() {
    if (!ground_ || ground_->worldSize <= 0) return;
    picturePath_.clear();
    loadedPicture_ = QImage();
    fitted_ = false;
    pictureShown();
    const int job = ++pictureJob_;
    const bool done = paintWorldPictureFor(this, *ground_, 512, QImage(), [this, job](const level::WorldPicture& p) {
        if (job == pictureJob_) showWorldPicture(p);
    });
    if (!done) {
        pictureStatus->setText(QStringLiteral("Painting the level's picture from its tiles and height map ..."));
        pictureStatus->setGeometry(0, 512 - pictureStatus->heightForWidth(512), 512, pictureStatus->heightForWidth(512));
        pictureStatus->show();
    }
}

void AreasPage::showWorldPicture(const level::WorldPicture& picture) {
    // Nothing of the level could be shown: the empty view says what to do.
    if (picture.sources.empty()) {
        e->setPicture(pictures::mapPlaceholder());
        placeholderKey_ = e->picture().cacheKey();
    } else {
        e->setPicture(picture.image);
    }
    pictureProblems_ = picture.problems;
    QString sources;
    for (const level::Source& s : picture.sources) sources += q(s.text) + "\n";
    e->setToolTip(sources.trimmed());
    showPictureStatus();
}

// The status line over the foot of the view: only when the picture needs a
// word (pieces of the level that could not be read; a chosen picture on a
// level whose combat area is smaller than the world).
void AreasPage::showPictureStatus() {
    QStringList lines;
    const bool smaller = ground_ && ground_->combatArea &&
                         *ground_->combatArea != level::WorldRect{0, 0, double(ground_->worldSize), double(ground_->worldSize)};
    if (!loadedPicture_.isNull() && smaller) {
        const level::WorldRect& a = *ground_->combatArea;
        const QString where = QStringLiteral("%1/%2 to %3/%4 m of the %5 m world")
                                  .arg(a.minX).arg(a.minZ).arg(a.maxX).arg(a.maxZ).arg(ground_->worldSize);
        lines << (fitted_ ? QStringLiteral("The picture is fitted to the level's combat area, %1. "
                                           "<a href=\"whole\" style=\"color:#9cf\">Show it over the whole world</a>")
                                .arg(where)
                          : QStringLiteral("The picture is shown over the whole world; the level's combat area is "
                                           "%1. <a href=\"fit\" style=\"color:#9cf\">Fit it to the combat area</a>")
                                .arg(where));
    }
    if (!pictureProblems_.empty())
        lines << QStringLiteral("The level's picture leaves out what could not be read: %1")
                     .arg(q(pictureProblems_.front()).toHtmlEscaped()) +
                     (pictureProblems_.size() > 1 ? QStringLiteral(" (and %1 more)").arg(pictureProblems_.size() - 1)
                                                  : QString());
    pictureStatus->setText(lines.join(QStringLiteral("<br>")));
    // As low as its text: the rest of the view stays free for the mouse.
    pictureStatus->setGeometry(0, 512 - pictureStatus->heightForWidth(512), 512, pictureStatus->heightForWidth(512));
    QString all;
    for (const std::string& p : pictureProblems_) all += q(p) + "\n";
    pictureStatus->setToolTip(all.trimmed());
    pictureStatus->setVisible(!lines.isEmpty());
}

// A thin outline of the combat area when it is smaller than the world.
void AreasPage::paintCombatArea(QPainter& painter) const {
    if (!ground_ || !ground_->combatArea || ground_->worldSize <= 0) return;
    const QRect r = level::pixelRect(*ground_->combatArea, ground_->worldSize, 512);
    if (r == QRect(0, 0, 512, 512)) return;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(QColor(255, 230, 120), 1, Qt::DashLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
}

void AreasPage::movePoint(int dx, int dy) {
    if (scratch_.ActivePoint != 1 && scratch_.ActivePoint != 2) return;
    const int step = parseIntegerField(Edit1z->text().toStdString(),
                                       "The field between \"Left\" and \"Right\" (Current Point - Options) takes the "
                                       "pixels the point moves at each click: type a whole number such as 1 or 10.");
    PictureBox* dot = scratch_.ActivePoint == 2 ? gruen : rot;
    PictureBox* flag = scratch_.ActivePoint == 2 ? fg : fr;
    // No bound but the toolkit's coordinate range: far beyond any map.
    constexpr long long kLimit = 1000000;
    const auto shifted = [&](int v, int d) {
        return static_cast<int>(std::clamp<long long>(v + static_cast<long long>(d) * step, -kLimit, kLimit));
    };
    const int x = shifted(dot->x(), dx), y = shifted(dot->y(), dy);
    flag->move(flag->x() + (x - dot->x()), flag->y() + (y - dot->y()));
    dot->move(x, y);
}

void AreasPage::setMoveControlsEnabled(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(Label4z), static_cast<QWidget*>(Label5z), static_cast<QWidget*>(Label6z),
                       static_cast<QWidget*>(Label7z), static_cast<QWidget*>(Edit1z)})
        w->setEnabled(enabled);
}

void AreasPage::RadioButton1Click() { setMoveControlsEnabled(true); }

void AreasPage::RadioButton2Click() { setMoveControlsEnabled(false); }

bool AreasPage::digitKey(int key) {
    if (!isEnabled() || !isVisible()) return false;
    switch (key) {
    case Qt::Key_4: guarded(services_.messages, [this] { movePoint(-1, 0); }); return true;
    case Qt::Key_6: guarded(services_.messages, [this] { movePoint(1, 0); }); return true;
    case Qt::Key_8: guarded(services_.messages, [this] { movePoint(0, -1); }); return true;
    case Qt::Key_5: guarded(services_.messages, [this] { movePoint(0, 1); }); return true;
    default: return false;
    }
}

// The mouse on the map view: a press and release close together are a
// click, farther apart a drag from corner to corner.
bool AreasPage::mapMouse(QEvent* event) {
    if (!isEnabled() || !isVisible()) return false;
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    if (type == QEvent::MouseButtonPress) {
        if (mouse->button() != Qt::LeftButton) return pressedAt_.has_value();
        pressedAt_ = at;
        // Pressed inside the selected area: a drag moves that area.
        moving_ = draggableAreaAt(at);
        return true;
    }
    if (type == QEvent::MouseMove && !pressedAt_) {
        // Over the selected area while nothing else is under way: it can be dragged.
        e->setCursor(draggableAreaAt(at) ? Qt::SizeAllCursor : Qt::ArrowCursor);
        return false;
    }
    if (type == QEvent::MouseMove) {
        if (pressedAt_) {
            dragTo_ = at;
            e->update();
        }
        return pressedAt_.has_value();
    }
    if (!pressedAt_ || mouse->button() != Qt::LeftButton) return false;
    const QPoint from = *pressedAt_;
    const auto moved = moving_;
    pressedAt_.reset();
    dragTo_.reset();
    moving_.reset();
    e->update();
    guarded(services_.messages, [&] {
        if ((at - from).manhattanLength() < QApplication::startDragDistance()) mapClick(at);
        else if (moved) moveArea(*moved, at - from);
        else mapDrag(from, at);
    });
    return true;
}

// The selected area, when `at` lies inside it and no area is under way.
std::optional<int> AreasPage::draggableAreaAt(QPoint at) const {
    const int row = ListBox1z->currentRow();
    if (row < 0 || row >= static_cast<int>(set_.size()) || !Label1z->isEnabled() || boxOpen()) return std::nullopt;
    const areas::AreaBox& b = set_.areas()[static_cast<size_t>(row)].spec.box;
    if (!QRect(QPoint(b.left, b.top), QPoint(b.right, b.bottom)).contains(at)) return std::nullopt;
    return row;
}

// Alt with a digit moves the point at every press, key repeats included,
// wherever the focus is in this window.
bool AreasPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == e) return mapMouse(event) || Page::eventFilter(watched, event);
    // The starting texts of the name and priority stay, chosen whole as the
    // field gets the focus (after the click has placed the cursor), so that
    // typing replaces them.
    if (event->type() == QEvent::FocusIn && (watched == Edit2z || watched == Edit3z)) {
        auto* field = static_cast<QLineEdit*>(watched);
        QTimer::singleShot(0, field, [field] { field->selectAll(); });
    }
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto* widget = qobject_cast<QWidget*>(watched);
        // Escape is the properties box's "Cancel" where it has one.
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && widget &&
            widget->window() == window() && isVisible() && isEnabled() && boxOpen() &&
            LabelCancel->isVisibleTo(areafert)) {
            guarded(services_.messages, [this] { cancelEdit(); });
            return true;
        }
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier && widget && widget->window() == window() &&
            digitKey(key->key()))
            return true;
    }
    return Page::eventFilter(watched, event);
}

// Plain digits reach the page only when the focused control did not take
// them (text fields and lists do); Alt with a digit is taken in eventFilter.
void AreasPage::keyPressEvent(QKeyEvent* event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (mods == Qt::NoModifier && digitKey(event->key())) {
        event->accept();
        return;
    }
    Page::keyPressEvent(event);
}

void AreasPage::Label1zClick() {
    gruen->show();
    fg->show();
    Label1z->setEnabled(false);
    Label2z->setEnabled(true);
    scratch_.ActivePoint = 2;
}

void AreasPage::Label2zClick() {
    rot->show();
    fr->show();
    scratch_.ActivePoint = 1;
    Label8z->setEnabled(true);
    Label2z->setEnabled(false);
}

void AreasPage::Label8zClick() {
    for (QWidget* bar : {static_cast<QWidget*>(oben), static_cast<QWidget*>(unten), static_cast<QWidget*>(links),
                         static_cast<QWidget*>(rechts)})
        bar->show();
    const auto box = areas::areaOf(gruen->x(), gruen->y(), rot->x(), rot->y(), state_.WorldSize, state_.worldScale());
    if (!box) return;
    const int w = box->right - box->left, h = box->bottom - box->top;
    oben->setGeometry(box->left, box->top, w, 5);
    unten->setGeometry(box->left, box->bottom, w, 5);
    links->setGeometry(box->left, box->top, 5, h);
    rechts->setGeometry(box->right, box->top, 5, h);
    scratch_.AreaMinX = box->minX;
    scratch_.AreaMaxX = box->maxX;
    scratch_.AreaMinY = box->minY;
    scratch_.AreaMaxY = box->maxY;
    scratch_.AreaCenterX = box->centerX;
    scratch_.AreaCenterY = box->centerY;
    placeBesideArea(areafert, *box);
    areafert->show();
    areafert->raise();
}

void AreasPage::Label9zClick() {
    const std::string name = Edit2z->text().toStdString();
    // A name the script cannot carry, or one recorded already (the edited
    // area's own aside), is refused; the box stays as it is.
    Lines others = set_.names();
    if (editing_) others.erase(others.begin() + static_cast<std::ptrdiff_t>(*editing_));
    if (const std::string problem = areas::nameProblem(name, others); !problem.empty()) {
        services_.messages.info(problem);
        return;
    }
    scratch_.AreaName = name;
    scratch_.AreaPriority = parseIntegerField(Edit3z->text().toStdString(),
                                            "The priority field of \"Area fertigstellen\" takes how important the area "
                                            "is: type a whole number from 1 to 200 (unimportant 10, important 150).");

    areas::AreaSpec a;
    a.name = name;
    a.priority = scratch_.AreaPriority;
    const int scale = state_.worldScale() != 0 ? state_.worldScale() : 1;
    a.box.minX = scratch_.AreaMinX;
    a.box.minY = scratch_.AreaMinY;
    a.box.maxX = scratch_.AreaMaxX;
    a.box.maxY = scratch_.AreaMaxY;
    a.box.centerX = scratch_.AreaCenterX;
    a.box.centerY = scratch_.AreaCenterY;
    a.box.left = a.box.minX / scale;
    a.box.right = a.box.maxX / scale;
    a.box.top = (state_.WorldSize - a.box.maxY) / scale;
    a.box.bottom = (state_.WorldSize - a.box.minY) / scale;
    a.kinds.base = basis->isChecked();
    a.kinds.controlPoint = cp->isChecked();
    a.kinds.strongPoint = strong->isChecked();
    a.kinds.airfield = air->isChecked();
    a.kinds.flank = Flanke->isChecked();
    a.kinds.center = center->isChecked();
    a.light = leicht->isChecked();
    a.heavy = schwer->isChecked();
    a.side = Team1->isChecked() ? 1 : Team2->isChecked() ? 2 : Neutral->isChecked() ? 0 : -1;

    const auto edited = editing_;
    finishOutline();
    if (edited) {
        change([&] { set_.replace(*edited, a); });
        ListBox1z->setCurrentRow(static_cast<int>(*edited));
        return;
    }
    change([&] { set_.record(a); });
    afterRecording(name);
}

void AreasPage::finishOutline() {
    areafert->hide();
    editing_.reset();
    beforeDrag_.reset();
    LabelCancel->hide();
    for (QWidget* bar : {static_cast<QWidget*>(oben), static_cast<QWidget*>(unten), static_cast<QWidget*>(links),
                         static_cast<QWidget*>(rechts)})
        bar->hide();
    placeBarsAside();
    resetPoints();
    Label8z->setEnabled(false);
    Label1z->setEnabled(true);
}

void AreasPage::Image2zClick() {
    if (set_.size() != 0 && !set_.current() && set_.stepShown()) {
        services_.messages.info("Every area has its neighbours already. To choose one area's neighbours again, "
                                "right-click it in the \"Areas\" list: \"Choose its neighbours again\".");
        return;
    }
    singleStep_ = false;
    change([&] {
        set_.openStep();
        tickProposedNeighbours();
    });
    GroupBox5z->raise();
}

void AreasPage::Label16zClick() { finishNeighbours(false); }

void AreasPage::acceptAllNeighbours() { finishNeighbours(true); }

void AreasPage::finishNeighbours(bool all) {
    // With no area waiting there is nothing to finish.
    if (!set_.current()) return;
    // The last waiting area writes StrategicAreas.con: one edited by hand
    // is asked about first, and "Cancel" changes nothing.
    const auto waiting = std::count_if(set_.areas().begin(), set_.areas().end(), [](const auto& a) { return !a.linked; });
    if (all || waiting == 1) {
        askedPlan_ = state::askBeforeOverwriting(services_.messages, state_.Record, state_.AddonDir,
                                                 {"AI/StrategicAreas.con"}, "Writing the areas");
        if (!askedPlan_->go) {
            askedPlan_.reset();
            return;
        }
    }
    // The script is written (by the change) once no area waits.
    change([&] {
        do {
            set_.finishCurrent();
            tickProposedNeighbours();
        } while (all && set_.current());
    });
    askedPlan_.reset();
    if (set_.current()) return;
    // One area's neighbours chosen again: the script is written already,
    // and the wizard stays where it is.
    if (std::exchange(singleStep_, false)) return;
    services_.messages.info("Change something if you want to.");
    // Where no program opens .con files, the packing page's status line
    // leads to the wizard's own script editor instead.
    services_.shell.openDocument("StrategicAreas.con", state_.AddonDir + "AI/");
    emit areasWritten();
}

// A point's dot at `at`, its flag with the pole's foot on the dot.
static void putPoint(PictureBox* dot, PictureBox* flag, QPoint at) {
    dot->move(at);
    flag->move(at - QPoint(24, 48));
}

void AreasPage::mapClick(QPoint at) {
    if (scratch_.ActivePoint == 2) putPoint(gruen, fg, at);
    else if (scratch_.ActivePoint == 1) putPoint(rot, fr, at);
}

// A drag that opens the properties box can be taken back: its "Cancel"
// (and Escape) put the cursor and outline back as they were.
void AreasPage::mapDrag(QPoint from, QPoint to) {
    const bool opens = !boxOpen();
    const Cursor before = cursorState();
    placeArea(from, to);
    if (!opens || !boxOpen()) return;
    beforeDrag_ = before;
    LabelCancel->show();
}

AreasPage::Cursor AreasPage::cursorState() const {
    Cursor c;
    for (const QWidget* w : std::initializer_list<const QWidget*>{gruen, fg, rot, fr, oben, unten, links, rechts})
        c.widgets.emplace_back(w->geometry(), !w->isHidden());
    c.newArea = Label1z->isEnabled();
    c.applyPoint = Label2z->isEnabled();
    c.applyArea = Label8z->isEnabled();
    c.scratch = scratch_;
    return c;
}

void AreasPage::putBack(const Cursor& c) {
    QWidget* widgets[] = {gruen, fg, rot, fr, oben, unten, links, rechts};
    for (size_t i = 0; i < c.widgets.size(); ++i) {
        widgets[i]->setGeometry(c.widgets[i].first);
        widgets[i]->setVisible(c.widgets[i].second);
    }
    Label1z->setEnabled(c.newArea);
    Label2z->setEnabled(c.applyPoint);
    Label8z->setEnabled(c.applyArea);
    // The name and priority stay as "OK" last read them.
    const std::string name = scratch_.AreaName;
    const int32_t priority = scratch_.AreaPriority;
    scratch_ = c.scratch;
    scratch_.AreaName = name;
    scratch_.AreaPriority = priority;
}

namespace {

// Where a box of `size` stands beside `area` without covering it: right,
// left, below or above, level with one of its edges, slid along that side
// only as far as staying inside the region needs.
// Of those places the one that covers the least of the other areas, then
// one inside `inner` (the map view) over one that needs the rest of
// `outer`. Where no side has room, the place in `outer` that covers the
// least of the area.
QPoint placeBeside(const QRect& area, QSize size, const QRect& inner, const QRect& outer,
                   const std::vector<QRect>& others) {
    constexpr int gap = 6;
    const auto covered = [](const QRect& a, const QRect& b) {
        const QRect both = a.intersected(b);
        return both.isEmpty() ? 0LL : static_cast<long long>(both.width()) * both.height();
    };
    std::optional<QPoint> best;
    std::pair<long long, int> bestScore{0, 0};
    for (int outside = 0; outside < 2; ++outside) {
        const QRect& region = outside ? outer : inner;
        const int lowX = region.left(), highX = region.right() + 1 - size.width();
        const int lowY = region.top(), highY = region.bottom() + 1 - size.height();
        if (highX < lowX || highY < lowY) continue;
        const auto clampX = [&](int x) { return std::max(lowX, std::min(x, highX)); };
        const auto clampY = [&](int y) { return std::max(lowY, std::min(y, highY)); };
        std::vector<QPoint> tries;
        for (const int x : {area.right() + 1 + gap, area.left() - gap - size.width()})
            for (const int y : {area.top(), area.bottom() + 1 - size.height()}) tries.emplace_back(x, clampY(y));
        for (const int y : {area.bottom() + 1 + gap, area.top() - gap - size.height()})
            for (const int x : {area.left(), area.right() + 1 - size.width()}) tries.emplace_back(clampX(x), y);
        for (const QPoint at : tries) {
            const QRect r(at, size);
            if (!region.contains(r) || r.intersects(area)) continue;
            long long hidden = 0;
            for (const QRect& o : others) hidden += covered(r, o);
            const std::pair<long long, int> score{hidden, outside};
            if (!best || score < bestScore) {
                best = at;
                bestScore = score;
            }
        }
    }
    if (best) return *best;
    QPoint least = outer.topLeft();
    long long leastCovered = -1;
    for (const QPoint corner : {outer.topLeft(), QPoint(outer.right() + 1 - size.width(), outer.top()),
                                QPoint(outer.left(), outer.bottom() + 1 - size.height()),
                                QPoint(outer.right() + 1 - size.width(), outer.bottom() + 1 - size.height())}) {
        const long long amount = covered(QRect(corner, size), area);
        if (leastCovered < 0 || amount < leastCovered) {
            leastCovered = amount;
            least = corner;
        }
    }
    return least;
}

} // namespace

void AreasPage::placeBesideArea(QWidget* box, const areas::AreaBox& a) {
    // The outline with its bars, which lie on and beyond the right and bottom edges.
    const QRect area(QPoint(a.left, a.top), QPoint(a.right + 4, a.bottom + 4));
    // The part of the page the window shows, and of that what lies on the screen.
    QRect outer = rect() & QRect(mapFrom(window(), QPoint(0, 0)), window()->size());
    if (const QScreen* s = screen()) {
        const QRect onScreen(mapFromGlobal(s->availableGeometry().topLeft()),
                             mapFromGlobal(s->availableGeometry().bottomRight()));
        if (isVisible() && onScreen.intersects(outer)) outer &= onScreen;
    }
    // The other recorded areas stay in sight where they can.
    std::vector<QRect> others;
    for (const auto& other : set_.areas()) {
        const areas::AreaBox& o = other.spec.box;
        const QRect r = QRect(QPoint(o.left, o.top), QPoint(o.right + 4, o.bottom + 4)).normalized();
        if (r != area.normalized()) others.push_back(r);
    }
    const auto& proposals = set_.proposals();
    for (size_t i = set_.proposalShown() + 1; i < proposals.size(); ++i)  // the proposals still to come
        if (set_.proposalWaits(i))
            others.emplace_back(QPoint(proposals[i].left, proposals[i].top),
                                QPoint(proposals[i].right + 4, proposals[i].bottom + 4));
    box->move(placeBeside(area.normalized(), box->size(), e->geometry() & outer, outer, others));
}

// Both corners at once, through the same commands as by hand: New
// Strategic - Area, the first point, Apply the current point, the second
// point, Apply the current area.
void AreasPage::placeArea(QPoint first, QPoint second) {
    if (Label1z->isEnabled()) Label1zClick();
    putPoint(gruen, fg, first);
    if (Label2z->isEnabled()) Label2zClick();
    putPoint(rot, fr, second);
    Label8zClick();
}

void AreasPage::proposeFromControlPoints() {
    const auto points = areas::readAddonControlPoints(state_.AddonDir);
    if (points.empty()) {
        services_.messages.info("This level has no control points (Singleplayer/ControlPoints.con "
                                "and ControlpointTemplates.con).");
        return;
    }
    // Proposals recorded before (in an earlier run whose work was restored)
    // are passed over, but still count as neighbours of the new ones.
    set_.startProposals(areas::proposeAreas(points, state_.WorldSize, state_.worldScale()));
    showProposal();
}

void AreasPage::showProposal() {
    const auto at = set_.nextProposal();
    e->update();
    if (!at) {
        LabelSkip->hide();
        LabelAcceptAll->hide();
        return;
    }
    const areas::Proposal& p = set_.proposals()[*at];
    placeArea({p.left, p.top}, {p.right, p.bottom});
    Edit2z->setText(q(p.name));
    Edit3z->setText(QString::number(p.priority));
    leicht->setChecked(true);
    schwer->setChecked(true);
    basis->setChecked(p.base);
    cp->setChecked(!p.base);
    for (QCheckBox* other : {air, center, strong, Flanke}) other->setChecked(false);
    (p.side == 1 ? Team1 : p.side == 2 ? Team2 : Neutral)->setChecked(true);
    LabelSkip->show();
    LabelAcceptAll->show();
}

void AreasPage::acceptAllProposals() {
    if (set_.proposalShown() >= set_.proposals().size() || !boxOpen()) return;
    const areas::AreaSet before = set_;
    const auto oneChange = [&] {
        if (set_ == before) return;
        history_.changed(before);
        areasChanged(before);
    };
    ++batching_;
    try {
        while (set_.proposalShown() < set_.proposals().size() && boxOpen()) {
            const size_t at = set_.proposalShown();
            Label9zClick();
            if (set_.proposalShown() == at) break;  // refused (a name taken, say): the box stays on that one
        }
    } catch (...) {  // a priority that is no number: what was recorded stays, as one step
        --batching_;
        oneChange();
        throw;
    }
    --batching_;
    oneChange();
}

void AreasPage::skipProposal() {
    if (set_.proposalShown() >= set_.proposals().size()) return;
    finishOutline();
    set_.skipProposal();
    showProposal();
}

void AreasPage::afterRecording(const std::string& name) {
    if (set_.proposalRecorded(name)) showProposal();
    e->update();
    saveWork();
}

// The neighbour step starts with the proposed neighbours of the current
// area ticked (each name's first entry in the list).
void AreasPage::tickProposedNeighbours() {
    const auto at = set_.current();
    if (!at) return;
    const std::string& name = set_.areas()[*at].spec.name;
    const auto& proposed = set_.proposedNeighbours();
    const auto it = std::find_if(proposed.begin(), proposed.end(), [&](const auto& entry) { return entry.first == name; });
    if (it == proposed.end()) return;
    for (const std::string& neighbour : it->second) {
        const Lines& list = set_.checkList();
        const auto row = std::find(list.begin(), list.end(), neighbour);
        if (row != list.end()) set_.tick(static_cast<size_t>(row - list.begin()), true);
    }
}

std::string AreasPage::workFile() const { return state_.AddonDir + areas::kWorkFileName; }

void AreasPage::pictureShown() {
    // Inside the program folder relative to it, so that the folder may move.
    set_.setPicture({state::storedPath(picturePath_, services_.programDir), fitted_ && !picturePath_.empty()});
}

// After every change: written whole beside the add-on's scripts, replacing
// the earlier state atomically. A folder that cannot take it is reported
// once; drawing goes on.
void AreasPage::saveWork() {
    if (keepWorkFile_ || state_.AddonDir.empty() || !folderExists(state_.AddonDir)) return;
    // Before the first area there is nothing to lose: the level's picture
    // comes back by itself. Finished areas stay too: a later sitting that
    // continues the conversion edits them (the record never goes into the
    // archive).
    state_.Record.areas = set_.empty() ? areas::AreaSet{} : set_;
    state_.Record.areas.setWalk({});  // a walk through proposals lasts one sitting
    try {
        saveRecordIn(state_, state_.AddonDir);
        // The record holds the areas now: an earlier version's work file goes.
        if (fileExists(workFile())) deleteFile(workFile());
    } catch (const std::exception& error) {
        if (!saveFailed_) services_.messages.error(withFinalPeriod(error.what()));
        saveFailed_ = true;
    }
}

bool AreasPage::restore(const areas::AreaSet& saved) {
    history_.clear();
    setAreas(saved);
    if (set_.size() != 0) finishOutline();  // idle, as after recording an area
    if (saved.picture().path.empty()) return false;
    std::string picture = state::loadedPath(saved.picture().path, services_.programDir);
    if (!fileExists(picture)) {
        // A program folder that moved: the picture at its new place.
        const std::string moved =
            state::movedPath(picture, state::formerProgramDir(picture, state_.MapName), services_.programDir);
        if (moved.empty()) {
            services_.messages.info("The map picture " + picture + " chosen earlier is no longer there" +
                                    (state_.MapDir.empty() ? "" : "; the level's own picture is shown when it has one") +
                                    ". Choose it again with \"Load map image\" on page 2.");
            return false;
        }
        picture = moved;
    }
    // The level's own map picture saved by an earlier version: the world
    // picture shows it in its place.
    if (ground_ && !ground_->mapPicture.empty() && resolvePath(picture) == resolvePath(ground_->mapPicture))
        return false;
    bool loaded = false;
    guarded(services_.messages, [&] {
        loadPicture(picture);
        loaded = true;
    });
    if (loaded && saved.picture().fitted && !loadedPicture_.isNull()) fitPictureToCombatArea();
    return loaded;
}

void AreasPage::addonOpened(bool continuing) {
    bool pictureRestored = false;
    keepWorkFile_ = false;
    readLevelGround();
    readLevelPoints();
    guarded(services_.messages, [&] {
        if (set_.size() != 0) return;
        // A page without a conversion in memory takes the one saved here.
        if (state_.Record.done.empty()) {
            const auto saved = state::loadRecord(state_.AddonDir);
            if (saved.kind == state::LoadedRecord::Kind::Ok) state_.Record = saved.record;
        }
        const std::string file = workFile();
        const bool inRecord = !state_.Record.areas.empty();
        if (!inRecord && !fileExists(file)) return;
        std::optional<areas::AreaSet> saved;
        if (inRecord) {
            saved = state_.Record.areas;
        } else {
            // The work file of an earlier version.
            std::optional<areas::AreasWork> work;
            try {
                work = areas::parseWork(readBytes(file));
            } catch (...) {
                keepWorkFile_ = true;  // unreadable as a file: left as it is, never saved over
                throw;
            }
            if (work) saved = areas::AreaSet::fromWork(*work);
        }
        if (!saved) {
            // Set aside under a name of its own, so that no save overwrites it.
            std::string aside = file + ".damaged";
            for (int n = 2; pathExists(aside); ++n) aside = file + ".damaged" + std::to_string(n);
            std::error_code failed;
            std::filesystem::rename(resolvePath(file), resolvePath(aside), failed);
            if (failed) {
                keepWorkFile_ = true;
                services_.messages.info("The areas saved in " + file + " cannot be read, nor set aside (" +
                                        failed.message() + "). The file is left as it is, and the areas of this run "
                                        "are not saved.");
                return;
            }
            services_.messages.info("The areas saved in " + file + " cannot be read; the area editor starts afresh. "
                                    "The file is kept as " + nameOf(aside) + ".");
            return;
        }
        // Areas finished in an earlier pass are offered only when that
        // conversion is continued; a new pass starts as the first did.
        const bool finished = saved->stepShown() && !saved->current();
        if (continuing ||
            (!finished && askContinue("Areas drawn earlier for this add-on were found (" +
                                      std::to_string(saved->size()) +
                                      "). Continue with them? \"No\" starts afresh."))) {
            pictureRestored = restore(*saved);
        } else {
            state_.Record.areas = {};
            saveWork();
            if (fileExists(file)) deleteFile(file);
        }
    });
    if (pictureRestored) return;
    // The level's world picture: its map picture in its combat area, its
    // tiles and relief around it.
    showWorldPicture();
}

bool AreasPage::pictureMissing() const { return e->picture().cacheKey() == placeholderKey_; }

// The level's control points and the areas proposed around them, for the
// view without a picture (a level whose points cannot be read shows none).
void AreasPage::readLevelPoints() {
    levelPoints_.clear();
    levelProposals_.clear();
    if (state_.AddonDir.empty() || !folderExists(state_.AddonDir) || state_.worldScale() <= 0) return;
    try {
        levelPoints_ = areas::readAddonControlPoints(state_.AddonDir);
        levelProposals_ = areas::proposeAreas(levelPoints_, state_.WorldSize, state_.worldScale());
    } catch (const std::exception&) {
        levelPoints_.clear();
        levelProposals_.clear();
    }
    e->update();
}

// While the level has no picture: what is missing and what "Load map
// image" does, with the control points and the proposed areas (those not
// recorded yet) drawn so that the areas can be placed all the same.
void AreasPage::paintEmptyView(QPainter& painter) const {
    if (!pictureMissing()) return;
    painter.save();
    const QString text = QStringLiteral(
        "No picture of this level: it has no Textures/InGameMap.dds, no colour tiles and no height map.\n"
        "\"Load map image\" (under \"Options\") chooses one: a JPEG, bitmap, PNG or DDS of the map seen from "
        "above, stretched over this square, north up. Until then the dots are the level's control points and "
        "the dotted squares the areas proposed around them.");
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    const QRect room = e->rect().adjusted(16, 0, -16, 0);
    const QRect needed = painter.fontMetrics().boundingRect(QRect(0, 0, room.width() - 16, 1000),
                                                            Qt::TextWordWrap, text);
    const int height = needed.height() + 16;
    const QRect box(room.left(), e->height() - 12 - height, room.width(), height);  // where levels have least
    painter.fillRect(box, QColor(0, 0, 0, 150));
    painter.setPen(Qt::white);
    painter.drawText(box.adjusted(8, 8, -8, -8), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, text);

    // Over the text: the proposals (drawn by the walk while it runs) and the points.
    if (set_.proposalShown() >= set_.proposals().size()) {
        const Lines recorded = set_.names();
        for (const areas::Proposal& p : levelProposals_) {
            const bool taken = std::any_of(recorded.begin(), recorded.end(),
                                           [&](const std::string& n) { return equalsIgnoreCase(n, p.name); });
            if (taken) continue;
            const QRect r(p.left, p.top, p.right - p.left, p.bottom - p.top);
            paintAreaOutline(painter, r, q(p.name), sideColour(p.side), QPen(sideColour(p.side), 1, Qt::DotLine));
        }
    }
    painter.setRenderHint(QPainter::Antialiasing, true);
    const int scale = state_.worldScale() > 0 ? state_.worldScale() : 1;
    for (const areas::ControlPoint& c : levelPoints_) {
        const QPointF at(c.x / scale, (state_.WorldSize - c.y) / scale);
        painter.setPen(QPen(Qt::white, 1.5));
        painter.setBrush(sideColour(c.team));
        painter.drawEllipse(at, 4.5, 4.5);
    }
    painter.restore();
}

// The recorded areas in their sides' colours: the selected one and the one
// in the neighbour step drawn strong, ticked neighbours shaded and dashed;
// proposals still to come dotted.
void AreasPage::paintOutlines(QPainter& painter) const {
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int selected = ListBox1z->currentRow();
    const auto waiting = set_.current();
    const bool stepping = GroupBox5z->isVisibleTo(this) && waiting;
    const int current = stepping ? static_cast<int>(*waiting) : -1;
    QStringList ticked;
    if (stepping)
        for (int i = 0; i < CheckListBox1->count(); ++i)
            if (CheckListBox1->item(i)->checkState() == Qt::Checked) ticked << CheckListBox1->item(i)->text();
    const std::vector<areas::Outline> all = outlines();
    for (int i = 0; i < static_cast<int>(all.size()); ++i) {
        const areas::Outline& o = all[static_cast<size_t>(i)];
        const QRect r(o.left, o.top, o.right - o.left, o.bottom - o.top);  // edges on both corners
        const QColor colour = sideColour(o.side);
        const bool neighbour = ticked.contains(q(o.name));
        if (i == current || neighbour) {
            QColor fill = colour;
            fill.setAlpha(i == current ? 110 : 60);
            painter.fillRect(r, fill);
        }
        const bool strong = i == selected || i == current;
        paintAreaOutline(painter, r, q(o.name), colour,
                         QPen(strong ? QColor(Qt::white) : colour, strong ? 3 : 1,
                              neighbour ? Qt::DashLine : Qt::SolidLine));
    }
    for (size_t i = set_.proposalShown() + 1; i < set_.proposals().size(); ++i) {
        if (!set_.proposalWaits(i)) continue;  // recorded already
        const areas::Proposal& p = set_.proposals()[i];
        const QRect r(p.left, p.top, p.right - p.left, p.bottom - p.top);
        paintAreaOutline(painter, r, q(p.name), sideColour(p.side), QPen(sideColour(p.side), 1, Qt::DotLine));
    }
    if (pressedAt_ && dragTo_ && moving_) {
        const areas::Outline& o = all[static_cast<size_t>(*moving_)];
        painter.setPen(QPen(Qt::white, 1, Qt::DashLine));
        painter.drawRect(QRect(o.left, o.top, o.right - o.left, o.bottom - o.top).translated(*dragTo_ - *pressedAt_));
    } else if (pressedAt_ && dragTo_) {
        painter.setPen(QPen(pictures::kPointGreen, 1, Qt::DashLine));
        painter.drawRect(QRect(*pressedAt_, *dragTo_).normalized());
    }
}

std::vector<areas::Outline> AreasPage::outlines() const {
    std::vector<areas::Outline> out;
    for (const auto& a : set_.areas())
        out.push_back({a.spec.box.left, a.spec.box.top, a.spec.box.right, a.spec.box.bottom, a.spec.side, a.spec.name});
    return out;
}

bool AreasPage::boxOpen() const { return !areafert->isHidden(); }

void AreasPage::change(const std::function<void()>& edit) {
    if (batching_) return edit();  // the whole batch is one change
    areas::AreaSet before = set_;
    edit();
    if (set_ == before) return;
    history_.changed(before);
    areasChanged(before);
}

// Shows the changed areas, saves the work, and writes the script when no
// area waits for its neighbours. (Until the neighbour step has passed every
// area, the script stays as the add-on run left it, as in a first pass.)
void AreasPage::areasChanged(const areas::AreaSet& before) {
    showAreas();
    saveWork();
    if (set_.current() || (set_.size() == 0 && before.size() == 0)) return;
    writeScript();
}

// The one place StrategicAreas.con is written: the areas as they stand (an
// empty file, as the add-on run made it, when none is left).
void AreasPage::writeScript() {
    // A StrategicAreas.con edited by hand is asked about first: "Keep my
    // changes" and "Cancel" leave it as it is.
    const state::OverwritePlan plan =
        askedPlan_ ? *std::exchange(askedPlan_, std::nullopt)
                   : state::askBeforeOverwriting(services_.messages, state_.Record, state_.AddonDir,
                                                 {"AI/StrategicAreas.con"}, "Writing the areas");
    if (!plan.go || !plan.keep.empty()) return;
    const char sep = trailingSeparator(state_.AddonDir, services_.programDir);
    writeLines(state_.AddonDir + "AI" + sep + "StrategicAreas.con", set_.size() ? set_.script() : Lines{},
               set_.size() != 0);
    state::noteWritten(state_.Record, state_.AddonDir, {"AI/StrategicAreas.con"});
    saveWork();
    if (!plan.copiedTo.empty()) services_.messages.info(state::copiedMessage(plan));
}

void AreasPage::setAreas(areas::AreaSet set) {
    set_ = std::move(set);
    showAreas();
    saveWork();
}

void AreasPage::showAreas() {
    areas::AreasWork shown;
    set_.toWork(shown);
    const int row = ListBox1z->currentRow();
    {
        const QSignalBlocker quiet(ListBox1z);
        ListBox1z->clear();
        for (const std::string& entry : shown.listEntries) ListBox1z->addItem(q(entry));
        ListBox1z->setCurrentRow(std::min(row, ListBox1z->count() - 1));
    }
    {
        const QSignalBlocker quiet(CheckListBox1);
        CheckListBox1->clear();
        for (size_t i = 0; i < shown.checkList.size(); ++i) {
            auto* item = new QListWidgetItem(q(shown.checkList[i]), CheckListBox1);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(shown.ticked[i] ? Qt::Checked : Qt::Unchecked);
        }
    }
    // The neighbour box stays while an area waits for its neighbours (or
    // while "Fertig" found none to show), beside that area.
    const auto at = set_.current();
    const bool stepping = set_.stepShown() && (at || set_.size() == 0);
    GroupBox5z->setVisible(stepping);
    if (set_.stepShown()) {
        Label13z->setText(q((at ? set_.areas()[*at].spec.name : std::string()) + " ist Nachbar von: "));
        Label13z->adjustSize();
    }
    if (stepping && at) placeBesideArea(GroupBox5z, set_.areas()[*at].spec.box);
    e->update();
}

void AreasPage::contextMenu(QPoint at) {
    const bool chosen = ListBox1z->itemAt(at) != nullptr;
    if (chosen) ListBox1z->setCurrentItem(ListBox1z->itemAt(at));
    for (QAction* a : {actionEdit, actionDelete, actionNeighbours}) a->setEnabled(chosen);
    actionUndo->setEnabled(canUndo());
    actionRedo->setEnabled(canRedo());
    QMenu menu(this);
    menu.addActions({actionEdit, actionDelete, actionNeighbours});
    menu.addSeparator();
    menu.addActions({actionUndo, actionRedo});
    menu.exec(ListBox1z->viewport()->mapToGlobal(at));
    for (QAction* a : {actionEdit, actionDelete, actionNeighbours, actionUndo, actionRedo}) a->setEnabled(true);
}

// Names only the commands the box shows.
std::string AreasPage::boxOpenMessage() const {
    if (LabelCancel->isVisibleTo(areafert))
        return "The properties box is open: press its \"OK\" or \"Cancel\" (or Escape) first.";
    if (LabelSkip->isVisibleTo(areafert))
        return "The properties box is open: press its \"OK\", \"Skip\" or \"Accept all\" first.";
    return "The properties box is open: press its \"OK\" first.";
}

// The properties box with the area's values, over its outline; "OK"
// stores them in its place, "Cancel" leaves it as it was.
void AreasPage::editArea(int row) {
    if (row < 0 || row >= static_cast<int>(set_.size())) return;
    if (boxOpen() || !Label1z->isEnabled()) {
        services_.messages.info(boxOpenMessage());
        return;
    }
    const areas::AreaSpec a = set_.areas()[static_cast<size_t>(row)].spec;
    placeArea({a.box.left, a.box.top}, {a.box.right, a.box.bottom});
    if (!boxOpen()) return;
    editing_ = static_cast<size_t>(row);
    Edit2z->setText(q(a.name));
    Edit3z->setText(QString::number(a.priority));
    leicht->setChecked(a.light);
    schwer->setChecked(a.heavy);
    basis->setChecked(a.kinds.base);
    cp->setChecked(a.kinds.controlPoint);
    strong->setChecked(a.kinds.strongPoint);
    air->setChecked(a.kinds.airfield);
    Flanke->setChecked(a.kinds.flank);
    center->setChecked(a.kinds.center);
    for (QRadioButton* side : {Team1, Team2, Neutral}) {
        side->setAutoExclusive(false);
        side->setChecked(false);
        side->setAutoExclusive(true);
    }
    if (a.side >= 0) (a.side == 1 ? Team1 : a.side == 2 ? Team2 : Neutral)->setChecked(true);
    LabelCancel->show();
    ListBox1z->setCurrentRow(row);
}

void AreasPage::cancelEdit() {
    if (editing_) {
        finishOutline();
    } else if (beforeDrag_) {
        const Cursor before = *beforeDrag_;
        finishOutline();
        putBack(before);
    }
}

void AreasPage::deleteArea(int row) {
    if (row < 0 || row >= static_cast<int>(set_.size())) return;
    if (boxOpen()) {
        services_.messages.info(boxOpenMessage());
        return;
    }
    change([&] { set_.remove(static_cast<size_t>(row)); });
}

void AreasPage::reopenNeighbours(int row) {
    if (row < 0 || row >= static_cast<int>(set_.size())) return;
    if (boxOpen()) {
        services_.messages.info(boxOpenMessage());
        return;
    }
    singleStep_ = !set_.current();
    change([&] { set_.reopen(static_cast<size_t>(row)); });
    GroupBox5z->raise();
}

void AreasPage::moveArea(int row, QPoint by) {
    if (row < 0 || row >= static_cast<int>(set_.size()) || by.isNull()) return;
    areas::AreaSpec a = set_.areas()[static_cast<size_t>(row)].spec;
    const auto box = areas::areaOf(a.box.left + by.x(), a.box.top + by.y(), a.box.right + by.x(),
                                   a.box.bottom + by.y(), state_.WorldSize, state_.worldScale());
    if (!box) return;
    a.box = *box;
    change([&] { set_.replace(static_cast<size_t>(row), a); });
}

void AreasPage::undo() { stepThroughHistory(false); }

void AreasPage::redo() { stepThroughHistory(true); }

void AreasPage::stepThroughHistory(bool forward) {
    if (!(forward ? canRedo() : canUndo())) return;
    if (boxOpen()) {
        services_.messages.info(boxOpenMessage());
        return;
    }
    singleStep_ = false;
    const areas::AreaSet before = set_;
    set_ = *(forward ? history_.redo(set_) : history_.undo(set_));
    // Undo and Redo go through the areas; the picture and the proposed
    // neighbours stay as they are.
    set_.setPicture(before.picture());
    set_.setProposedNeighbours(before.proposedNeighbours());
    set_.setWalk(before.walk());
    areasChanged(before);
}

} // namespace tw
