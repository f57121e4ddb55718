// Placeholder so the whole tree links while this class is being written.
#include "mainwindow.h"
#include "codeview/codeview.h"
#include "colors/colormanager.h"
#include "model/featuretreewidget.h"
#include "model/projectreader.h"
#include <QTabWidget>
MainWindow::MainWindow(QWidget *parent) : QMainWindow(parent) {}
MainWindow::MainWindow(const QString &, QWidget *parent) : QMainWindow(parent) {}
MainWindow::~MainWindow() = default;
CodeView *MainWindow::currentCodeView() const { return nullptr; }
void MainWindow::fillFilePaths() {}
void MainWindow::fillPaletteList() {}
void MainWindow::drawSaveButtonPreview() {}
void MainWindow::log(const QString &, const QString &) {}
void MainWindow::showFeatureFractureList(QTreeWidgetItem *) {}
void MainWindow::showTimeMessage() {}
void MainWindow::closeEvent(QCloseEvent *e) { QMainWindow::closeEvent(e); }
void MainWindow::showEvent(QShowEvent *e) { QMainWindow::showEvent(e); }
void MainWindow::hideEvent(QHideEvent *e) { QMainWindow::hideEvent(e); }
void MainWindow::changeEvent(QEvent *e) { QMainWindow::changeEvent(e); }
void MainWindow::keyPressEvent(QKeyEvent *e) { QMainWindow::keyPressEvent(e); }
void MainWindow::setUp() {}
