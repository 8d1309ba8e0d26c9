// Page t4 put back as a continued conversion left it.
#include "packing/packing_page.h"

#include "packing/packing_rules.h"
#include "tools/scripts.h"

#include <QStyle>

namespace tw {

void PackingPage::restoreConversion(const state::ConversionRecord& r) {
    if (!r.gamePath.empty()) Edit4->setText(QString::fromStdString(r.gamePath));
    if (r.has(state::Step::GameFolderConfirmed)) GroupBox13->setEnabled(true);
    if (r.has(state::Step::AreasWritten)) LabelEditAreas->show();
    if (r.has(state::Step::FirstPacked)) {
        packbar->show();
        packbar->setValue(100);
        Label42->hide();
        // "Copy the generated pathmaps" and "Pack" work on this conversion.
        const std::string& program = services_.programDir;
        const char sep = trailingSeparator(program);
        scripts::saveScript(program + "pack.bat", scripts::addonPackScript(program, state_.MapName, state_.PackTarget),
                            false);
        writeLines(program + "temp" + sep + "pathf.bf", packing::packingStateLines(state_), true);
    }
    // A first packing whose end was never recorded, with an archive it replaced.
    if (!r.has(state::Step::FirstPacked))
        if (const std::string told = packing::unfinishedFirstPacking(r.packTarget); !told.empty())
            services_.messages.info(told);
    if (r.has(state::Step::PathmapsTransferred)) {
        FileListBox2->clear();
        const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
        for (const std::string& name : r.pathmaps)
            FileListBox2->addItem(new QListWidgetItem(fileIcon, QString::fromStdString(name)));
    }
}

} // namespace tw
