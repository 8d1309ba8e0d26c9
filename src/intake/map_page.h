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
    MapPage(Services& services, ConversionState& state, QWidget* parent = nullptr);

    void Image12Click();  // choose the map
    void Button1Click();  // "OK": analyse it
    void Button2Click();  // "Start": the add-on run
    void ListBox1Click(); // open the chosen script in the editor
    void Button3Click();  // save the editor's text into the chosen script

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

signals:
    void mapAnalysed(const tw::intake::MapDisplays& displays);
    void addonCreated();

private:
    std::string chosenInitFolder_;  // folder of the init.con chosen in folder mode
    tools::RunHandle unpackRun_;    // the unpack of the chosen archive, once one was chosen
};

} // namespace tw
