#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "ui/colors/colormanager.h"
#include "core/model/projectfolder.h"
#include "ui/colorsaves/assignmentfilechooser.h"
#include "ui/colorsaves/colorassignmentfile.h"
#include "ui/colorsaves/savecolorassignment.h"

#include <QMessageBox>

void MainWindow::saveColors()
{
    // A replay shows someone else's colours and keeps the folder as it is.
    if (m_purpose == Purpose::Replay)
        return;
    // The save widget lives only for this one save; the load button it adds
    // to the frame stays.
    SaveColorAssignment save(this, [this] { updateAllColors(); }, m_form->toolButton_save->icon(),
                             m_form->frame_loadButtons, &m_colorManager->ColorArray,
                             &m_colorManager->FCPList, m_colorManager.get(),
                             ProjectFolder::path());
}

void MainWindow::loadColors()
{
    const QString path = AssignmentFileChooser::choose(
        this, QStringLiteral("Open saved Color Assignment"),
        ColorAssignmentFile::folderPath(ProjectFolder::path()));
    if (path.isEmpty()) {
        QMessageBox::information(this, QStringLiteral("Error"),
                                 QStringLiteral("File could not be loaded!"), QMessageBox::Ok);
        return;
    }

    switch (ColorAssignmentFile::apply(path, m_colorManager.get())) {
    case ColorAssignmentFile::ApplyResult::Applied:
        updateAllColors();
        log(QStringLiteral("loadColorAssignment<") + path + QLatin1Char('>'), QString());
        break;
    case ColorAssignmentFile::ApplyResult::ParseError:
        // The diagnostic list keeps the files that could not be parsed.
        m_form->listWidget_3->addItem(path);
        break;
    case ColorAssignmentFile::ApplyResult::CannotRead:
    case ColorAssignmentFile::ApplyResult::NotAssignmentFile:
        break;
    }
}
