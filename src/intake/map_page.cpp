#include "intake/map_page.h"

#include "ui/pictures.h"
#include "intake/analysis.h"
#include "tools/scripts.h"
#include "platform/errors.h"

#include <QPointer>

namespace tw {

MapPage::MapPage(Services& services, state::Conversion& state, QWidget* parent)
    : Page("t1", services, state, parent) {
    GroupBox7 = groupBox(this, "GroupBox7", QStringLiteral("Deine Map"), 8, 8, 273, 145);
    pack = radioButton(GroupBox7, "pack", QStringLiteral("RFA - Archive "), 8, 24, 113, 17);
    pack->setChecked(true);
    unpack = radioButton(GroupBox7, "unpack", QStringLiteral("unpacked Map"), 136, 24, 113, 17);
    Image12 = pictureBox(GroupBox7, "Image12", pictures::folderIcon(), 8, 50, 33, 33, true);
    Image12->setFit(PictureBox::Fit::Proportional);
    Edit3 = named(new QLineEdit(QStringLiteral("Path"), GroupBox7), "Edit3");
    Edit3->setGeometry(51, 56, 209, 21);
    makeGreyWhite(Edit3);
    Button1 = named(new QPushButton(QStringLiteral("OK"), GroupBox7), "Button1");
    Button1->setGeometry(120, 98, 41, 25);
    Button1->setCursor(Qt::PointingHandCursor);
    Button1->setEnabled(false);

    GroupBox8 = groupBox(this, "GroupBox8", QStringLiteral("CON Files"), 288, 8, 409, 161);
    GroupBox8->setEnabled(false);
    Label25 = wrappedLabel(GroupBox8, "Label25",
                           QStringLiteral("Now, Tarnwick is going to create the CON-files you need for bots. "
                                          "Afterwards you can edit them below, save with a click on Safe "
                                          "changings  :)"),
                           8, 16, 382, 26);
    GroupBox11 = groupBox(GroupBox8, "GroupBox11", QString(), 16, 80, 377, 41);
    Label35 = label(GroupBox11, "Label35", QStringLiteral("I'm also using"), 16, 17);
    shipp = checkBox(GroupBox11, "shipp", QStringLiteral("Ships"), 99, 16, 61, 17);
    landp = checkBox(GroupBox11, "landp", QStringLiteral("Landingcrafts"), 172, 16, 110, 17);
    for (QCheckBox* box : {shipp, landp}) {
        QFont bold = box->font();
        bold.setBold(true);
        box->setFont(bold);
    }
    Label36 = label(GroupBox11, "Label36", QStringLiteral("on my map"), 286, 17);
    Button2 = named(new QPushButton(QStringLiteral("Start"), GroupBox8), "Button2");
    Button2->setGeometry(152, 130, 75, 25);

    GroupBox9 = groupBox(this, "GroupBox9", QStringLiteral("CONS"), 8, 160, 273, 281);
    GroupBox9->setEnabled(false);
    ListBox1 = named(new QListWidget(GroupBox9), "ListBox1");
    ListBox1->setGeometry(8, 16, 257, 177);
    makeGreyWhite(ListBox1);
    ListBox1->setStyleSheet(ListBox1->styleSheet() + QStringLiteral("QListWidget::item { height: 13px; }"));
    ListBox1->setEnabled(false);
    Button3 = named(new QPushButton(QStringLiteral("Safe changings on the right side"), GroupBox9), "Button3");
    Button3->setGeometry(54, 200, 171, 25);
    Label34 = wrappedLabel(GroupBox9, "Label34",
                           QStringLiteral("Useful advice: You don't need to change something, the bots will do "
                                          "their job anyway ! It's just a help for professionals"),
                           8, 232, 251, 39, Qt::AlignHCenter | Qt::AlignTop);
    setTextColor(Label34, Qt::red);

    Memo6 = named(new QPlainTextEdit(this), "Memo6");
    Memo6->setGeometry(288, 176, 409, 265);
    Memo6->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo6->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo6->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    makeGreyWhite(Memo6);
    Memo6->setEnabled(false);

    statusLine = wrappedLabel(this, "statusLine", QString(), 8, 452, 689, 44);

    // Below the status line.
    GroupBoxContinue = groupBox(this, "GroupBoxContinue", QStringLiteral("Continue a conversion"), 8, 498, 689, 88);
    LabelContinue = label(GroupBoxContinue, "LabelContinue",
                          QStringLiteral("Click a conversion to go on where you left it:"), 8, 16);
    ListConversions = named(new QListWidget(GroupBoxContinue), "ListConversions");
    ListConversions->setGeometry(8, 32, 673, 50);
    makeGreyWhite(ListConversions);
    ListConversions->setCursor(Qt::PointingHandCursor);
    GroupBoxContinue->hide();

    // What the captions in German or in short mean.
    const std::pair<QWidget*, const char*> tips[] = {
        {GroupBox7, "Your map (\"Deine Map\"): the level to convert, as its .rfa archive or as an unpacked level "
                    "folder. Choose it with the folder picture, then click \"OK\"."},
        {pack, "The map is a packed level archive (.rfa), e.g. from the game's Archives/bf1942/levels folder."},
        {unpack, "The map is an unpacked level folder: choose its init.con."},
        {Image12, "Choose the map's archive or its init.con."},
        {GroupBox8, "The scripts (.con files) the bots need: \"Start\" makes the add-on with them."},
        {Button2, "Makes the add-on: the level's folder with \"_001\" added, holding the bots' scripts."},
        {GroupBox9, "The add-on's scripts (\"CONS\"): click one to see it on the right and change it there."},
        {Button3, "Save changes (\"Safe changings\"): writes the script shown on the right back into its file in "
                  "the add-on."},
    };
    for (const auto& [widget, tip] : tips) widget->setToolTip(QString::fromUtf8(tip));

    on(Image12, &PictureBox::clicked, [this] { Image12Click(); });
    on(Button1, &QPushButton::clicked, [this] { Button1Click(); });
    on(Button2, &QPushButton::clicked, [this] { Button2Click(); });
    on(ListBox1, &QListWidget::currentRowChanged, [this] { ListBox1Click(); });
    on(Button3, &QPushButton::clicked, [this] { Button3Click(); });
    connect(ListConversions, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        guarded(services_.messages, [&] { continueClick(ListConversions->row(item)); });
    });
    connect(ListConversions, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        guarded(services_.messages, [&] { continueClick(ListConversions->row(item)); });
    });
}

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
} // namespace

void MapPage::Image12Click() {
    if (unpack->isChecked()) {
        if (auto chosen = services_.dialogs.choose(
                {FileDialogRequest::Kind::Open, "o1", "Main Init.con (init.con)|init.con", {},
                 services_.sampleFolder()})) {
            chosenInitFolder_ = intake::takeLevelFolder(state_, *chosen);
            chosenMap_ = *chosen;
            Edit3->setText(q(chosenInitFolder_));
            Edit3->setCursorPosition(0);
            unpack->setEnabled(false);
            pack->setEnabled(false);
        }
    } else if (pack->isChecked()) {
        if (tools::isRunning(unpackRun_))
            throw AppError("The map is still being unpacked. Wait until the console window of unpack.bat says "
                           "\"finished\" before choosing another archive.");
        if (auto chosen = services_.dialogs.choose(
                {FileDialogRequest::Kind::Open, "o2", "BF Refractor Archives (*.rfa)|*.rfa", {},
                 services_.sampleFolder()})) {
            intake::takeArchive(state_, services_.programDir, *chosen);
            chosenMap_ = *chosen;
            Edit3->setText(q(*chosen));
            Edit3->setCursorPosition(0);
            unpackRun_ = tools::BatchRun::start(services_.shell, services_.programDir, "unpack.bat");
            unpack->setEnabled(false);
            pack->setEnabled(false);
            // An unpack that fails or is stopped leaves no level: the kind
            // of map may be chosen anew.
            unpackRun_->whenEnded([page = QPointer<MapPage>(this)](const tools::BatchRun& run) {
                if (page && !run.succeeded() && page->GroupBox7->isEnabled()) {
                    page->pack->setEnabled(true);
                    page->unpack->setEnabled(true);
                }
            });
        }
    }
    Button1->setEnabled(true);
}

void MapPage::Button1Click() {
    // The level of a chosen archive is read only once its unpack has ended
    // well: before that, or after it failed or was stopped, the level folder
    // is half made or an older one.
    if (pack->isChecked() && unpackRun_) {
        if (unpackRun_->running())
            throw AppError("The map is still being unpacked. Wait until the console window of unpack.bat says "
                           "\"finished\", then click \"OK\".");
        if (!unpackRun_->succeeded()) {
            pack->setEnabled(true);
            unpack->setEnabled(true);
            throw AppError("Unpacking the map did not succeed (its console window shows why), so there is no level "
                           "to read. Choose the map archive again.");
        }
    }
    intake::MapDisplays displays;
    try {
        displays = intake::analyse(state_, services_.programDir, pack->isChecked(), chosenInitFolder_);
    } catch (...) {
        // A map that cannot be read: archive or folder may be chosen anew.
        pack->setEnabled(true);
        unpack->setEnabled(true);
        throw;
    }
    emit mapAnalysed(displays);
    GroupBox7->setEnabled(false);
    GroupBox8->setEnabled(true);
    GroupBox9->setEnabled(true);
    Memo6->setEnabled(true);
    GroupBoxContinue->setEnabled(false);  // one conversion per sitting
    rememberAnalysis();
}

} // namespace tw
