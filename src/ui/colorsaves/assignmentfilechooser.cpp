#include "assignmentfilechooser.h"

#include <QFileDialog>

namespace {
AssignmentFileChooser::Chooser &replacement()
{
    static AssignmentFileChooser::Chooser chooser;
    return chooser;
}
} // namespace

namespace AssignmentFileChooser {

QString choose(QWidget *parent, const QString &caption, const QString &directory)
{
    if (replacement())
        return replacement()(parent, caption, directory);
    return QFileDialog::getOpenFileName(parent, caption, directory);
}

void setChooser(Chooser chooser)
{
    replacement() = std::move(chooser);
}

} // namespace AssignmentFileChooser
