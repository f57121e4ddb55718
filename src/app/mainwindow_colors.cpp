// Placeholder so the whole tree links while this part of the window is being written.
#include "mainwindow.h"
void MainWindow::refreshFeature(Feature *) {}
void MainWindow::removeRowColor(QTreeWidgetItem *) {}
void MainWindow::highlightColor(QListWidgetItem *) {}
void MainWindow::explorerToggled(bool) {}
void MainWindow::showColorArray() {}
void MainWindow::customColorDialog() {}
void MainWindow::closeCustomColorDialog() {}
void MainWindow::showListWidgetContextMenu(const QPoint &) {}
void MainWindow::showFeatureModelContextMenu(const QPoint &) {}
void MainWindow::deleteColorFromColorArray() {}
void MainWindow::resetListWidget() {}
void MainWindow::setFeatureOpacity(int) {}
void MainWindow::removeColorAssignment() {}
void MainWindow::updateAllColors() {}
void MainWindow::writeToLogSaturationChanged() {}
