// Placeholder so the whole tree links while this class is being written.
#include "codeview.h"
#include <QFile>
CodeView::CodeView(FeatureTreeWidget *featureTree, STNode *fileNode, MainWindow *, QFile *file,
                   int opacity)
    : m_file(file), m_featureTree(featureTree), m_opacity(opacity), m_fileNode(fileNode)
{ m_file->setParent(this); }
CodeView::~CodeView() = default;
void CodeView::buildSideBars() {}
void CodeView::buildLineNumbers() {}
void CodeView::buildBackgrounds() {}
void CodeView::setOpacity(int opacity) { m_opacity = opacity; }
void CodeView::applyOpacity() {}
void CodeView::refreshAllColors() {}
void CodeView::refreshFeatureColors(Feature *) {}
QString CodeView::fileName() const { return m_file->fileName(); }
QPair<int, int> CodeView::visibleLineRange() const { return {-1, -1}; }
void CodeView::resizeEvent(QResizeEvent *e) { QWidget::resizeEvent(e); }
