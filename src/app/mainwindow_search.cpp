// Placeholder so the whole tree links while this part of the window is being written.
#include "mainwindow.h"
void MainWindow::search() {}
void MainWindow::removeFinds() {}
void MainWindow::resetLastSearch() {}
void MainWindow::searchInFeatureModel() {}
