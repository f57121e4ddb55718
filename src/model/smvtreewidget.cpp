// Placeholder so the whole tree links while this class is being written.
#include "smvtreewidget.h"
SMVTreeWidget::SMVTreeWidget(QWidget *parent) : QTreeWidget(parent) {}
void SMVTreeWidget::scaleTextures(int, int) {}
void SMVTreeWidget::openFile(QTreeWidgetItem *, int) {}
void SMVTreeWidget::updateTexture() {}
void SMVTreeWidget::resizeEvent(QResizeEvent *e) { QTreeWidget::resizeEvent(e); }
void SMVTreeWidget::dropEvent(QDropEvent *) {}
void SMVTreeWidget::leaveEvent(QEvent *e) { QTreeWidget::leaveEvent(e); }
