// Page t1 "(1) Map + Confiles": choosing and analysing the map, the add-on
// run and the script editor.
#pragma once

#include "ui/page.h"
#include "ui/widgets.h"
#include "intake/analysis.h"
#include "tools/batch_run.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace tw {

class MapPage : public Page {
    Q_OBJECT
public:
    MapPage(Services& services, state::Conversion& state, QWidget* parent = nullptr);

    void Image12Click();  // choose the map
    void Button1Click();  // "OK": analyse it
    void Button2Click();  // "Start": the add-on run
    void ListBox1Click(); // open the chosen script in the editor
    void Button3Click();  // save the editor's text into the chosen script

    // "Continue a conversion": lists the conversions of the program folder
    // (shown only when there are some); a click on one continues it.
    void showConversions();
    void continueClick(int row);
    // Puts the page back as the record says it was left.
    void restoreConversion(const state::ConversionRecord& record);

    // "Deine Map"
    QGroupBox* GroupBox7;
    QRadioButton* pack;
    QRadioButton* unpack;
    PictureBox* Image12;
    QLineEdit* Edit3;
    QPushButton* Button1;

    // "CON Files"
    QGroupBox* GroupBox8;
    QLabel* Label25;
    QPushButton* Button2;
    QGroupBox* GroupBox11;
    QLabel* Label35;
    QCheckBox* shipp;
    QCheckBox* landp;
    QLabel* Label36;

    // "CONS" and the script editor
    QGroupBox* GroupBox9;
    QListWidget* ListBox1;
    QPushButton* Button3;
    QLabel* Label34;
    QPlainTextEdit* Memo6;
    // What the last step made or saved, and what comes next.
    QLabel* statusLine;

    // "Continue a conversion"
    QGroupBox* GroupBoxContinue;
    QLabel* LabelContinue;
    QListWidget* ListConversions;

signals:
    void mapAnalysed(const tw::intake::MapDisplays& displays);
    void addonCreated();
    // A conversion of the list was chosen: its add-on folder.
    void continueChosen(const std::string& addonDir);

private:
    void rememberAnalysis();
    void fillScriptList();

    std::string chosenInitFolder_;  // folder of the init.con chosen in folder mode
    std::string chosenMap_;         // the chosen archive or init.con
    std::vector<std::string> listedAddons_;  // the add-on folders of ListConversions, by row
    tools::RunHandle unpackRun_;    // the unpack of the chosen archive, once one was chosen
};

} // namespace tw
