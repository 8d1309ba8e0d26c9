#include "areas/areas_page.h"
#include "state/script_guard.h"

#include "ui/pictures.h"
#include "areas/area_name.h"
#include "areas/area_script.h"
#include "areas/picture_loader.h"
#include "platform/errors.h"
#include "platform/files.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
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

AreasPage::AreasPage(Services& services, ConversionState& state, QWidget* parent)
    : Page("t3", services, state, parent) {
    // Pictures first, so every box lies above them.
    e = named(new MapView(this), "e");
    e->setGeometry(0, 0, 512, 512);
    e->setPicture(pictures::mapPlaceholder());
    e->setMouseTracking(true);  // the selected area shows that it can be dragged
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
    LabelCancel = linkLabel(areafert, "LabelCancel", QStringLiteral("Cancel"), 104, 328);
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
    GroupBox5z->hide();

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
    if (!state_.MapDir.empty() && fileExists(own)) request.preselected = resolvePath(own).string();
    else if (!state_.MapDir.empty() && folderExists(state_.MapDir)) request.preselected = resolvePath(state_.MapDir).string() + "/";
    const auto chosen = services_.dialogs.choose(request);
    if (!chosen) return;
    loadPicture(*chosen);
}

void AreasPage::loadPicture(const std::string& path) {
    e->setPicture(areas::loadMapPicture(path));
    picturePath_ = path;
    saveWork();
}

void AreasPage::movePoint(int dx, int dy) {
    if (state_.ActivePoint != 1 && state_.ActivePoint != 2) return;
    const int step = parseInteger(Edit1z->text().toStdString());
    PictureBox* dot = state_.ActivePoint == 2 ? gruen : rot;
    PictureBox* flag = state_.ActivePoint == 2 ? fg : fr;
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
    state_.ActivePoint = 2;
}

void AreasPage::Label2zClick() {
    rot->show();
    fr->show();
    state_.ActivePoint = 1;
    Label8z->setEnabled(true);
    Label2z->setEnabled(false);
}

void AreasPage::Label8zClick() {
    for (QWidget* bar : {static_cast<QWidget*>(oben), static_cast<QWidget*>(unten), static_cast<QWidget*>(links),
                         static_cast<QWidget*>(rechts)})
        bar->show();
    const auto box = areas::areaOf(gruen->x(), gruen->y(), rot->x(), rot->y(), state_.WorldSize, state_.WorldScale);
    if (!box) return;
    const int w = box->right - box->left, h = box->bottom - box->top;
    oben->setGeometry(box->left, box->top, w, 5);
    unten->setGeometry(box->left, box->bottom, w, 5);
    links->setGeometry(box->left, box->top, 5, h);
    rechts->setGeometry(box->right, box->top, 5, h);
    state_.AreaMinX = box->minX;
    state_.AreaMaxX = box->maxX;
    state_.AreaMinY = box->minY;
    state_.AreaMaxY = box->maxY;
    state_.AreaCenterX = box->centerX;
    state_.AreaCenterY = box->centerY;
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
    state_.AreaName = name;
    state_.AreaPriority = parseInteger(Edit3z->text().toStdString());

    areas::AreaSpec a;
    a.name = name;
    a.priority = state_.AreaPriority;
    const int scale = state_.WorldScale != 0 ? state_.WorldScale : 1;
    a.box.minX = state_.AreaMinX;
    a.box.minY = state_.AreaMinY;
    a.box.maxX = state_.AreaMaxX;
    a.box.maxY = state_.AreaMaxY;
    a.box.centerX = state_.AreaCenterX;
    a.box.centerY = state_.AreaCenterY;
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
    singleStep_ = false;
    change([&] {
        set_.openStep();
        tickProposedNeighbours();
    });
    GroupBox5z->raise();
}

void AreasPage::Label16zClick() {
    // With no area waiting there is nothing to finish.
    if (!set_.current()) return;
    // The last waiting area writes StrategicAreas.con: one edited by hand
    // is asked about first, and "Cancel" changes nothing.
    if (Memo2z.size() == 1) {
        askedPlan_ = state::askBeforeOverwriting(services_.messages, state_.Record, state_.LevelDir,
                                                 {"AI/StrategicAreas.con"}, "Writing the areas");
        if (!askedPlan_->go) {
            askedPlan_.reset();
            return;
        }
    }
    // The script is written (by the change) once no area waits.
    change([&] {
        set_.finishCurrent();
        tickProposedNeighbours();
    });
    askedPlan_.reset();
    if (set_.current()) return;
    // One area's neighbours chosen again: the script is written already,
    // and the wizard stays where it is.
    if (std::exchange(singleStep_, false)) return;
    services_.messages.info("Change something if you want to.");
    services_.shell.openDocument("StrategicAreas.con", state_.LevelDir + "AI/");
    emit areasWritten();
}

// A point's dot at `at`, its flag with the pole's foot on the dot.
static void putPoint(PictureBox* dot, PictureBox* flag, QPoint at) {
    dot->move(at);
    flag->move(at - QPoint(24, 48));
}

void AreasPage::mapClick(QPoint at) {
    if (state_.ActivePoint == 2) putPoint(gruen, fg, at);
    else if (state_.ActivePoint == 1) putPoint(rot, fr, at);
}

void AreasPage::mapDrag(QPoint from, QPoint to) { placeArea(from, to); }

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
    const auto points = areas::readAddonControlPoints(state_.LevelDir);
    if (points.empty()) {
        services_.messages.info("This level has no control points (Singleplayer/ControlPoints.con "
                                "and ControlpointTemplates.con).");
        return;
    }
    proposals_ = areas::proposeAreas(points, state_.WorldSize, state_.WorldScale);
    proposalNames_.assign(proposals_.size(), std::nullopt);
    // Proposals recorded before (in an earlier run whose work was restored)
    // are passed over, but still count as neighbours of the new ones.
    for (size_t i = 0; i < proposals_.size(); ++i)
        for (const std::string& name : set_.names())
            if (equalsIgnoreCase(name, proposals_[i].name)) proposalNames_[i] = name;
    proposalAt_ = 0;
    showProposal();
}

void AreasPage::showProposal() {
    while (proposalAt_ < proposals_.size() && proposalNames_[proposalAt_]) ++proposalAt_;
    e->update();
    if (proposalAt_ >= proposals_.size()) {
        proposals_.clear();
        proposalNames_.clear();
        LabelSkip->hide();
        return;
    }
    const areas::Proposal& p = proposals_[proposalAt_];
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
}

void AreasPage::skipProposal() {
    if (proposalAt_ >= proposals_.size()) return;
    finishOutline();
    ++proposalAt_;
    showProposal();
}

void AreasPage::afterRecording(const std::string& name) {
    if (proposalAt_ < proposals_.size()) {
        proposalNames_[proposalAt_] = name;
        // Every recorded proposal's neighbours among the recorded ones.
        for (size_t i = 0; i < proposals_.size(); ++i) {
            if (!proposalNames_[i]) continue;
            Lines names;
            for (const size_t n : proposals_[i].neighbours)
                if (proposalNames_[n]) names.push_back(*proposalNames_[n]);
            auto it = std::find_if(proposedNeighbours_.begin(), proposedNeighbours_.end(),
                                   [&](const auto& entry) { return entry.first == *proposalNames_[i]; });
            if (it == proposedNeighbours_.end()) proposedNeighbours_.emplace_back(*proposalNames_[i], names);
            else it->second = names;
        }
        ++proposalAt_;
        showProposal();
    }
    e->update();
    saveWork();
}

// The neighbour step starts with the proposed neighbours of the current
// area ticked (each name's first entry in the list).
void AreasPage::tickProposedNeighbours() {
    const auto at = set_.current();
    if (!at) return;
    const std::string& name = set_.areas()[*at].spec.name;
    const auto it = std::find_if(proposedNeighbours_.begin(), proposedNeighbours_.end(),
                                 [&](const auto& entry) { return entry.first == name; });
    if (it == proposedNeighbours_.end()) return;
    for (const std::string& neighbour : it->second) {
        const Lines& list = set_.checkList();
        const auto row = std::find(list.begin(), list.end(), neighbour);
        if (row != list.end()) set_.tick(static_cast<size_t>(row - list.begin()), true);
    }
}

std::string AreasPage::workFile() const { return state_.LevelDir + areas::kWorkFileName; }

areas::AreasWork AreasPage::work() const {
    areas::AreasWork w;
    // Inside the program folder relative to it, so that the folder may move.
    w.picture = state::storedPath(picturePath_, services_.programDir);
    set_.toWork(w);
    w.proposedNeighbours = proposedNeighbours_;
    return w;
}

// After every change: written whole beside the add-on's scripts, replacing
// the earlier state atomically. A folder that cannot take it is reported
// once; drawing goes on.
void AreasPage::saveWork() {
    if (keepWorkFile_ || state_.LevelDir.empty() || !folderExists(state_.LevelDir)) return;
    const areas::AreasWork now = work();
    // Before the first area there is nothing to lose: the level's picture
    // comes back by itself. Finished areas stay too: a later sitting that
    // continues the conversion edits them (the record never goes into the
    // archive).
    state_.Record.areasWork = now.listEntries.empty() && now.checkList.empty() ? "" : areas::serialiseWork(now);
    try {
        saveRecordIn(state_, state_.LevelDir);
        // The record holds the work now: an earlier version's work file goes.
        if (fileExists(workFile())) deleteFile(workFile());
    } catch (const std::exception& error) {
        if (!saveFailed_) services_.messages.error(withFinalPeriod(error.what()));
        saveFailed_ = true;
    }
}

bool AreasPage::restore(const areas::AreasWork& w) {
    proposedNeighbours_ = w.proposedNeighbours;
    history_.clear();
    setAreas(areas::AreaSet::fromWork(w).value_or(areas::AreaSet{}));
    if (set_.size() != 0) finishOutline();  // idle, as after recording an area
    if (w.picture.empty()) return false;
    std::string picture = state::loadedPath(w.picture, services_.programDir);
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
    bool loaded = false;
    guarded(services_.messages, [&] {
        loadPicture(picture);
        loaded = true;
    });
    return loaded;
}

void AreasPage::addonOpened(bool continuing) {
    bool pictureRestored = false;
    keepWorkFile_ = false;
    guarded(services_.messages, [&] {
        if (set_.size() != 0) return;
        // A page without a conversion in memory takes the one saved here.
        if (state_.Record.done.empty()) {
            const auto saved = state::loadRecord(state_.LevelDir);
            if (saved.kind == state::LoadedRecord::Kind::Ok) state_.Record = saved.record;
        }
        const std::string file = workFile();
        const bool inRecord = !state_.Record.areasWork.empty();
        if (!inRecord && !fileExists(file)) return;
        std::optional<areas::AreasWork> saved;
        try {
            // The record's areas, else the work file of an earlier version.
            saved = areas::parseWork(inRecord ? state_.Record.areasWork : readBytes(file));
            if (inRecord && (!saved || !areas::AreaSet::fromWork(*saved))) {
                state_.Record.areasWork.clear();
                services_.messages.info("The areas saved in " + state::recordFile(state_.LevelDir) +
                                        " cannot be read; the area editor starts afresh.");
                return;
            }
        } catch (...) {
            keepWorkFile_ = true;  // unreadable as a file: left as it is, never saved over
            throw;
        }
        if (!saved || !areas::AreaSet::fromWork(*saved)) {
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
        const bool finished = saved->neighbourStep && saved->waiting.empty();
        if (continuing ||
            (!finished && askContinue("Areas drawn earlier for this add-on were found (" +
                                      std::to_string(saved->listEntries.size()) +
                                      "). Continue with them? \"No\" starts afresh."))) {
            pictureRestored = restore(*saved);
        } else {
            state_.Record.areasWork.clear();
            saveWork();
            if (fileExists(file)) deleteFile(file);
        }
    });
    if (pictureRestored || state_.MapDir.empty()) return;
    // The level's own map picture, at once.
    const std::string own = state_.MapDir + "Textures/InGameMap.dds";
    if (fileExists(own)) guarded(services_.messages, [&] { loadPicture(resolvePath(own).string()); });
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
    for (size_t i = proposalAt_ + 1; i < proposals_.size(); ++i) {
        if (proposalNames_[i]) continue;  // recorded already
        const areas::Proposal& p = proposals_[i];
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
                   : state::askBeforeOverwriting(services_.messages, state_.Record, state_.LevelDir,
                                                 {"AI/StrategicAreas.con"}, "Writing the areas");
    if (!plan.go || !plan.keep.empty()) return;
    const char sep = trailingSeparator(state_.LevelDir, services_.programDir);
    writeLines(state_.LevelDir + "AI" + sep + "StrategicAreas.con", set_.size() ? set_.script() : Lines{},
               set_.size() != 0);
    state::noteWritten(state_.Record, state_.LevelDir, {"AI/StrategicAreas.con"});
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
    Memo1z = shown.createLines;
    Memo2z = shown.waiting;
    params = shown.params;
    vparams = shown.vparams;
    sides = shown.sides;
    Aread = shown.blocks;
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
    GroupBox5z->setVisible(set_.stepShown());
    if (set_.stepShown()) {
        const auto at = set_.current();
        Label13z->setText(q((at ? set_.areas()[*at].spec.name : std::string()) + " ist Nachbar von: "));
        Label13z->adjustSize();
    }
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

namespace {
const char* const kBoxOpen = "The properties box is open: press its OK (or Cancel) first.";
}

// The properties box with the area's values, over its outline; "OK"
// stores them in its place, "Cancel" leaves it as it was.
void AreasPage::editArea(int row) {
    if (row < 0 || row >= static_cast<int>(set_.size())) return;
    if (boxOpen() || !Label1z->isEnabled()) {
        services_.messages.info(kBoxOpen);
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
    if (editing_) finishOutline();
}

void AreasPage::deleteArea(int row) {
    if (row < 0 || row >= static_cast<int>(set_.size())) return;
    if (boxOpen()) {
        services_.messages.info(kBoxOpen);
        return;
    }
    change([&] { set_.remove(static_cast<size_t>(row)); });
}

void AreasPage::reopenNeighbours(int row) {
    if (row < 0 || row >= static_cast<int>(set_.size())) return;
    if (boxOpen()) {
        services_.messages.info(kBoxOpen);
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
                                   a.box.bottom + by.y(), state_.WorldSize, state_.WorldScale);
    if (!box) return;
    a.box = *box;
    change([&] { set_.replace(static_cast<size_t>(row), a); });
}

void AreasPage::undo() { stepThroughHistory(false); }

void AreasPage::redo() { stepThroughHistory(true); }

void AreasPage::stepThroughHistory(bool forward) {
    if (!(forward ? canRedo() : canUndo())) return;
    if (boxOpen()) {
        services_.messages.info(kBoxOpen);
        return;
    }
    singleStep_ = false;
    const areas::AreaSet before = set_;
    set_ = *(forward ? history_.redo(set_) : history_.undo(set_));
    areasChanged(before);
}

} // namespace tw
