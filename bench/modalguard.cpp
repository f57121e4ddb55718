#include "modalguard.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>

ModalGuard::ModalGuard(int intervalMs)
{
    connect(&m_timer, &QTimer::timeout, this, &ModalGuard::closeModal);
    m_timer.start(intervalMs);
}

void ModalGuard::closeModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal)
        return;
    const auto *box = qobject_cast<QMessageBox *>(modal);
    m_closed.append(box ? box->text() : modal->windowTitle());
    if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
    else
        modal->close();
}
